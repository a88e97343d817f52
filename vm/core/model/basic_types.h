// Basic type codes and their sizes on the Java stack and in memory.
//
//   code  type      bytes  stack words  stack type   letter
//   4     boolean   1      1            int          Z
//   5     char      2      1            int          C
//   6     float     4      1            float        F
//   7     double    8      2            double       D
//   8     byte      1      1            int          B
//   9     short     2      1            int          S
//   10    int       4      1            int          I
//   11    long      8      2            long         J
//   12    object    4      1            object       L
//   13    array     4      1            object       [
//   14    void      0      0            void         V
#pragma once

#include <cstdint>

enum BasicType : int32_t {
  kTypeBoolean = 4,
  kTypeChar = 5,
  kTypeFloat = 6,
  kTypeDouble = 7,
  kTypeByte = 8,
  kTypeShort = 9,
  kTypeInt = 10,
  kTypeLong = 11,
  kTypeObject = 12,
  kTypeArray = 13,
  kTypeVoid = 14,
};

// The code given for a letter that names no primitive type.
inline constexpr int32_t kTypeNotPrimitive = 32;

int32_t vsBasicType_byteSize(int32_t type);
int32_t vsBasicType_stackWords(int32_t type);
// The type as it lies on the operand stack; other codes come back unchanged.
int32_t vsBasicType_stackType(int32_t type);
// The slot bit of compiled frames' tag maps: 2 int-like, 16 float,
// 32 double, 4 long, 1 reference, 0 otherwise.
int32_t vsBasicType_tagBit(int32_t type);
// The code of a primitive descriptor letter (B C D F I J S V Z), else 32.
int32_t vsBasicType_ofLetter(int32_t letter);
// The descriptor letter of a basic type (boolean to long, and void), else 0.
char vsBasicType_letter(int32_t type);
// Whether a byte is the descriptor letter of a primitive type (not void).
bool vsBasicType_isPrimitiveLetter(int32_t letter);
