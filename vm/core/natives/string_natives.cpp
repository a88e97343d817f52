// Natives of java.lang.String (see string_natives.h).
#include "vm/core/natives/string_natives.h"

#include <cstring>

#include "ce/substrate/fatal.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/string_helpers.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/natives/native_method.h"

namespace {

// The units of a String: count units from value[offset].
const uint16_t* unitsOf(VmRef string) {
  const StringObject* s = vsRef_as<StringObject>(string);
  return vsRef_as<CharArray>(s->value)->elements + s->offset;
}

int32_t countOf(VmRef string) { return vsRef_as<StringObject>(string)->count; }

bool sameUnits(const uint16_t* a, const uint16_t* b, int32_t n) {
  return n <= 0 || std::memcmp(a, b, sizeof(uint16_t) * static_cast<size_t>(n)) == 0;
}

}  // namespace

extern "C" void Java_java_lang_String_intern() {
  VmHandle self;
  vsHandle_pushEmpty(&self);
  vsNativeMethod_getThis(&self.object);
  vsNativeMethod_setReturnInt(static_cast<int32_t>(vsJavaHeap_internStringObject(&self.object)));
  vsHandle_close(&self);
}

extern "C" void Java_java_lang_String_equals() {
  const VmRef self = vsNativeMethod_getThisObject();
  VmRef other;
  vsNativeMethod_getParameterObject(1, &other);
  bool equal = self == other;
  if (!equal && other != 0 && vsObject_isString(&other)) equal = vsString_equals(self, other);
  vsNativeMethod_setReturnInt(equal ? 1 : 0);
}

extern "C" void Java_java_lang_String_startsWith() {
  const VmRef self = vsNativeMethod_getThisObject();
  VmRef prefix;
  vsNativeMethod_getParameterObject(1, &prefix);
  const int32_t offset = vsNativeMethod_getParameterInt(2);
  if (prefix == 0) {
    vsException_raiseWithCode(kNullPointerClass, 0);
    return;
  }
  const int32_t n = countOf(prefix);
  const bool inside = offset >= 0 && offset <= countOf(self) - n;
  vsNativeMethod_setReturnInt(inside && sameUnits(unitsOf(self) + offset, unitsOf(prefix), n) ? 1 : 0);
}

extern "C" void Java_java_lang_String_hashCode() {
  vsNativeMethod_setReturnInt(vsString_hashCode(vsNativeMethod_getThisObject()));
}

extern "C" void Java_java_lang_String_replace() {
  VmHandle self;
  vsHandle_pushEmpty(&self);
  vsNativeMethod_getThis(&self.object);
  const uint16_t from = static_cast<uint16_t>(vsNativeMethod_getParameterChar(1));
  const uint16_t to = static_cast<uint16_t>(vsNativeMethod_getParameterChar(2));
  const int32_t count = countOf(self.object);
  int32_t first = 0;
  if (from != to)
    while (first < count && unitsOf(self.object)[first] != from) ++first;
  if (from == to || first == count) {
    vsNativeMethod_setReturnInt(static_cast<int32_t>(self.object));
    vsHandle_close(&self);
    return;
  }
  VmHandle value;
  vsHandle_push(&value, vsJavaHeap_newCharArray(count));
  VmRef result = 0;
  if (value.object != 0) {
    const uint16_t* units = unitsOf(self.object);
    uint16_t* out = vsRef_as<CharArray>(value.object)->elements;
    std::memcpy(out, units, sizeof(uint16_t) * static_cast<size_t>(first));
    for (int32_t i = first; i < count; ++i) out[i] = units[i] == from ? to : units[i];
    result = vsJavaHeap_newString(&value.object, 0, count);
  }
  vsNativeMethod_setReturnInt(static_cast<int32_t>(result));
  vsHandle_close(&self);
}

extern "C" void Java_java_lang_String_indexOf0() {
  const VmRef self = vsNativeMethod_getThisObject();
  VmRef str;
  vsNativeMethod_getParameterObject(1, &str);
  const int32_t from = vsNativeMethod_getParameterInt(2);
  const int32_t start = from >= 0 ? from : -from - 1;
  const int32_t n = countOf(str);
  VS_ASSERT(n > 0, "indexOf0 of an empty string");
  const int32_t last = countOf(self) - n;
  const uint16_t* units = unitsOf(self);
  const uint16_t* wanted = unitsOf(str);
  int32_t result = -1;
  for (int32_t i = start; i <= last; ++i) {
    if (units[i] != wanted[0]) continue;
    result = sameUnits(units + i + 1, wanted + 1, n - 1) ? i : -(i + 2);
    break;
  }
  vsNativeMethod_setReturnInt(result);
}
