// Arrays created for natives (see native_arrays.h).
#include "vm/core/natives/native_arrays.h"

#include <cstring>

#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/native_area.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"
#include "vm/core/natives/char_conv.h"
#include "vm/core/natives/native_method.h"

namespace {

// The conversion steps' flags: count only; replace what is invalid.
constexpr uint32_t kCountOnly = 2;
constexpr uint32_t kSubstitute = 8;

}  // namespace

VmRef vsNativeMethod_newByteArray(const void* data, int32_t n) {
  const VmRef array = vsJavaHeap_newNativeByteArray(n);
  if (array != 0 && data != nullptr && n > 0)
    std::memcpy(vsRef_as<ByteArray>(array)->elements, data, static_cast<size_t>(n));
  return array;
}

VmRef vsNativeMethod_newIntArray(const int32_t* data, int32_t n) {
  const VmRef array = vsJavaHeap_newIntArray(n);
  if (array != 0 && data != nullptr && n > 0)
    std::memcpy(vsRef_as<IntArray>(array)->elements, data, sizeof(int32_t) * static_cast<size_t>(n));
  return array;
}

VmRef vsNativeMethod_newBooleanArray(const uint8_t* data, int32_t n) {
  const VmRef array = vsJavaHeap_newBooleanArray(n);
  if (array != 0 && data != nullptr)
    for (int32_t i = 0; i < n; ++i) vsRef_as<ByteArray>(array)->elements[i] = static_cast<int8_t>(data[i]);
  return array;
}

VmRef vsNativeMethod_newStringArray(int32_t n) {
  VmHandle cls;
  vsHandle_push(&cls, vsRoot(kRootString));
  const VmRef array = vsJavaHeap_newArrayOf(&cls.object, n);
  vsHandle_close(&cls);
  return array;
}

int32_t vsNativeMethod_getArrayLength(const VmRef* array) {
  return *array == 0 ? -1 : vsRef_as<ArrayObject>(*array)->length;
}

VmRef vsNativeMethod_createString(const uint16_t* chars, int32_t len) {
  VmHandle out;
  vsHandle_pushEmpty(&out);
  vsNativeMethod_newStringInHandle(chars, len, &out.object);
  if (out.object == 0) vsNativeMethod_fatalOutOfMemory();
  const VmRef result = out.object;
  vsHandle_close(&out);
  return result;
}

VmRef vsNativeMethod_createStringUtf8(const uint8_t* bytes, int32_t len) {
  int32_t count = 0;
  int32_t errors = 0;
  vsCharConv_utf8ToUtf16(bytes, 0, len, nullptr, 0, 0, &count, nullptr, &errors, kCountOnly);
  VmHandle units;
  vsHandle_push(&units, vsJavaHeap_newCharArray(count > 0 ? count : 0));
  if (units.object == 0) vsNativeMethod_fatalOutOfMemory();
  int32_t written = 0;
  if (count > 0)
    vsCharConv_utf8ToUtf16(bytes, 0, len, vsRef_as<CharArray>(units.object)->elements, 0, count, &written, nullptr,
                           &errors, kSubstitute);
  // The counting pass counts a sequence cut off by the end that the
  // conversion drops: the String holds what was written.
  const VmRef string = vsJavaHeap_newString(&units.object, 0, written);
  if (string == 0) vsNativeMethod_fatalOutOfMemory();
  vsHandle_close(&units);
  return string;
}

char* vsNativeMethod_getStringUtf8(VmRef string, char* buffer, int32_t size) {
  const StringObject* s = vsRef_as<StringObject>(string);
  const uint16_t* chars = vsRef_as<CharArray>(s->value)->elements + s->offset;
  int32_t bytes = 0;
  int32_t errors = 0;
  if (vsCharConv_utf16ToUtf8(chars, 0, s->count, reinterpret_cast<uint8_t*>(buffer), 0, size - 1, &bytes, &errors,
                             0) < 0)
    bytes = 0;
  buffer[bytes] = '\0';
  return buffer;
}
