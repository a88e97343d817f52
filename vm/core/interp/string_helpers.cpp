// String helpers (see string_helpers.h).
#include "vm/core/interp/string_helpers.h"

#include <cstring>

#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"

namespace {

const uint16_t* chars(const StringObject* s) {
  return vsRef_as<CharArray>(s->value)->elements + s->offset;
}

// The part of the string that starts at or after `from` (an index into its
// characters): its start and length; length 0 when no part is left.
int32_t nextPart(const StringObject* s, int32_t from, int32_t* start) {
  const uint16_t* c = chars(s);
  int32_t i = from;
  while (i < s->count && c[i] == ';') ++i;
  *start = i;
  while (i < s->count && c[i] != ';') ++i;
  return i - *start;
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

VmRef vsString_splitPath(const VmRef* string) {
  int32_t parts = 0;
  int32_t start = 0;
  for (int32_t length; (length = nextPart(vsRef_as<StringObject>(*string), start, &start)) > 0; start += length)
    ++parts;
  VmHandle array, stringClass, value;
  vsHandle_push(&stringClass, vsRoot(kRootString));
  vsHandle_push(&array, vsJavaHeap_newArrayOf(&stringClass.object, parts));
  vsHandle_push(&value, vsRef_as<StringObject>(*string)->value);
  VmRef result = array.object;
  start = 0;
  for (int32_t i = 0; result != 0 && i < parts; ++i) {
    const int32_t length = nextPart(vsRef_as<StringObject>(*string), start, &start);
    const VmRef part = vsJavaHeap_newString(&value.object, vsRef_as<StringObject>(*string)->offset + start, length);
    if (part == 0) {
      result = 0;
      break;
    }
    vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(array.object)->elements[i], part);
    start += length;
    result = array.object;
  }
  vsHandle_close(&stringClass);
  return result;
}
