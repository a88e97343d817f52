// Basic type tables (see basic_types.h).
#include "vm/core/model/basic_types.h"

namespace {

struct TypeRow {
  int8_t bytes;
  int8_t stackWords;
  int8_t stackType;
  int8_t tagBit;
  char letter;
};

// Indexed by code - 4.
constexpr TypeRow kTypes[] = {
    {1, 1, kTypeInt, 2, 'Z'},     {2, 1, kTypeInt, 2, 'C'},    {4, 1, kTypeFloat, 16, 'F'},
    {8, 2, kTypeDouble, 32, 'D'}, {1, 1, kTypeInt, 2, 'B'},    {2, 1, kTypeInt, 2, 'S'},
    {4, 1, kTypeInt, 2, 'I'},     {8, 2, kTypeLong, 4, 'J'},   {4, 1, kTypeObject, 1, 0},
    {4, 1, kTypeObject, 1, 0},    {0, 0, kTypeVoid, 0, 'V'},
};

static_assert(sizeof(kTypes) / sizeof(kTypes[0]) == kTypeVoid - kTypeBoolean + 1);

const TypeRow* row(int32_t type) {
  if (type < kTypeBoolean || type >= kTypeVoid) return nullptr;  // void and others
  return &kTypes[type - kTypeBoolean];
}

}  // namespace

int32_t vsBasicType_byteSize(int32_t type) {
  const TypeRow* r = row(type);
  return r ? r->bytes : 0;
}

int32_t vsBasicType_stackWords(int32_t type) {
  const TypeRow* r = row(type);
  return r ? r->stackWords : 0;
}

int32_t vsBasicType_stackType(int32_t type) {
  const TypeRow* r = row(type);
  return r ? r->stackType : type;
}

int32_t vsBasicType_tagBit(int32_t type) {
  const TypeRow* r = row(type);
  return r ? r->tagBit : 0;
}

char vsBasicType_letter(int32_t type) {
  if (type < kTypeBoolean || type > kTypeVoid) return 0;
  return kTypes[type - kTypeBoolean].letter;
}

bool vsBasicType_isPrimitiveLetter(int32_t letter) {
  const int32_t type = vsBasicType_ofLetter(letter);
  return type >= kTypeBoolean && type <= kTypeLong;
}

int32_t vsBasicType_ofLetter(int32_t letter) {
  for (int32_t type = kTypeBoolean; type <= kTypeVoid; ++type)
    if (letter != 0 && kTypes[type - kTypeBoolean].letter == letter) return type;
  return kTypeNotPrimitive;
}
