// String helpers (see string_helpers.h).
#include "vm/core/interp/string_helpers.h"

#include <cstring>

namespace {

const uint16_t* chars(const StringObject* s) {
  return vsRef_as<CharArray>(s->value)->elements + s->offset;
}

}  // namespace

bool vsString_equals(VmRef a, VmRef b) {
  if (a == b) return true;
  if (a == 0 || b == 0) return false;
  const StringObject* sa = vsRef_as<StringObject>(a);
  const StringObject* sb = vsRef_as<StringObject>(b);
  if (sa->count != sb->count) return false;
  return std::memcmp(chars(sa), chars(sb), static_cast<size_t>(sa->count) * 2) == 0;
}

int32_t vsString_hashCode(VmRef string) {
  const StringObject* s = vsRef_as<StringObject>(string);
  const uint16_t* c = chars(s);
  uint32_t h = 0;
  for (int32_t i = 0; i < s->count; ++i) h = h * 31 + c[i];
  return static_cast<int32_t>(h);
}
