// Instruction lengths of bytecode, the class file's and the VM's own
// opcodes (202 to 255).
//
// The table holds two bytes per opcode: the length, and the length after
// `wide`. A length of 0 means a variable length (tableswitch, lookupswitch,
// wide) or, for 241 to 243, no length at all; 255 means the opcode may not
// occur (jsr, ret, jsr_w, 186) or may not follow `wide`. Both are error
// markers, never step sizes: a caller that walks code stops on them. The
// load-time preparation refuses code that contains them, so prepared code
// never yields them.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

inline constexpr uint8_t kOpAload0 = 42;
inline constexpr uint8_t kOpTableswitch = 170;
inline constexpr uint8_t kOpIreturn = 172;
inline constexpr uint8_t kOpAreturn = 176;
inline constexpr uint8_t kOpGetfield = 180;
inline constexpr uint8_t kOpLookupswitch = 171;
inline constexpr uint8_t kOpWide = 196;
inline constexpr uint8_t kLengthNotAllowed = 255;

// The table's two lengths of an opcode.
uint8_t vsBytecodes_tableLength(uint8_t opcode);
uint8_t vsBytecodes_wideLength(uint8_t opcode);

// The length of the instruction at bci of the method's code; for the
// variable-length ones, vsBytecodes_switchLength.
int32_t vsBytecodes_lengthAt(const VmRef* method, uint32_t bci);
// tableswitch: (p - bci) + 12 + 4 * (high - low + 1); lookupswitch:
// (p - bci) + 8 * (npairs + 1), with p = (bci + 4) & ~3 and the operand
// words read in machine order; wide: the wide length of the next opcode;
// anything else 0. An instruction that would run past the end of the code
// gives 0 as well.
int32_t vsBytecodes_switchLength(const VmRef* method, uint32_t bci, uint8_t opcode);
