// Arrays created for natives (see native_arrays.h).
#include "vm/core/natives/native_arrays.h"

#include <cstddef>
#include <cstring>

#include "ce/substrate/fatal.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/native_area.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/char_conv.h"
#include "vm/core/natives/native_hooks.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/natives/native_roots.h"

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
    vsCharConv_utf8ToUtf16(bytes, 0, len, vsRef_as<CharArray>(units.object)->elements, 0, count, &written,
                           nullptr, &errors, kSubstitute);
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
  if (vsCharConv_utf16ToUtf8(chars, 0, s->count, reinterpret_cast<uint8_t*>(buffer), 0, size - 1, &bytes,
                             &errors, 0) < 0)
    bytes = 0;
  buffer[bytes] = '\0';
  return buffer;
}

namespace {

// A native string copy: a String-like record, a char-array-like header and
// the units.
struct NativeStringCopy {
  StringObject string;
  ArrayObject chars;
  uint16_t units[];
};
static_assert(offsetof(NativeStringCopy, chars) == 16 && offsetof(NativeStringCopy, units) == 24);

ClassRecord* classOfMirror(VmRef mirror) { return vsRef_as<ClassMirror>(mirror)->classRecord.get(); }

// The address of element i of the array, of width sizeof(T).
template <typename T>
T* element(VmRef array, int32_t i) {
  VS_ASSERT(array != 0, "element of null");
  VS_ASSERT(i >= 0 && i < vsRef_as<ArrayObject>(array)->length, "element index out of the array");
  VS_ASSERT(vsArrayClass_elementSize(vsObject_class(array)) == static_cast<int32_t>(sizeof(T)),
            "element of another width");
  return reinterpret_cast<T*>(vsWord_toPointer<uint8_t>(array) + kArrayElementsOffset) + i;
}

template <typename T>
T* data(VmRef array) {
  VS_ASSERT(array != 0, "data of null");
  VS_ASSERT(vsArrayClass_elementSize(vsObject_class(array)) == static_cast<int32_t>(sizeof(T)),
            "data of another width");
  return reinterpret_cast<T*>(vsWord_toPointer<uint8_t>(array) + kArrayElementsOffset);
}

int32_t lengthOf(VmRef array) {
  VS_ASSERT(array != 0, "length of null");
  return vsRef_as<ArrayObject>(array)->length;
}

int64_t loadLong(const uint32_t* at) { return static_cast<int64_t>(uint64_t{at[1]} << 32 | at[0]); }

void storeLong(uint32_t* at, uint32_t low, uint32_t high) {
  at[0] = low;
  at[1] = high;
}

// The bytes [byteOffset, byteOffset + len) of the array's elements.
uint8_t* region(VmRef array, int32_t byteOffset, int32_t len) {
  VS_ASSERT(array != 0, "region of null");
  VS_ASSERT(byteOffset >= 0 && len >= 0 &&
                int64_t{byteOffset} + len <=
                    int64_t{lengthOf(array)} * vsArrayClass_elementSize(vsObject_class(array)),
            "region out of the array");
  return vsWord_toPointer<uint8_t>(array) + kArrayElementsOffset + byteOffset;
}

}  // namespace

VmRef vsNativeMethod_newObjectArray(VmRef classRef, int32_t n) {
  NativeFrame frame;
  VmRef cls;
  vsNativeMethod_pushLocalFrame(1, &frame, &cls);
  cls = vsRef_of(classOfMirror(classRef));
  const VmRef array = vsJavaHeap_newArrayOf(&cls, n);
  vsNativeMethod_popLocalFrame(&frame);
  return array;
}

VmRef vsNativeMethod_newObject(VmRef classRef) {
  NativeFrame frame;
  VmRef cls;
  vsNativeMethod_pushLocalFrame(1, &frame, &cls);
  cls = vsRef_of(classOfMirror(classRef));
  const VmRef object = vsJavaHeap_newFinalizableInstance(&cls);
  vsNativeMethod_popLocalFrame(&frame);
  return object;
}

VmRef vsNativeMethod_newIntMatrix(int32_t n, int32_t m) {
  if (n < 0 || m < 0) {
    vsNativeMethod_throwException("java/lang/NegativeArraySizeException");
    return 0;
  }
  NativeFrame frame;
  VmRef slots[3];  // the int[] class record, the matrix, a row
  vsNativeMethod_pushLocalFrame(3, &frame, slots);
  vsNativeMethod_findClassInto("[I", &slots[0]);
  if (slots[0] != 0) {
    slots[0] = vsRef_of(classOfMirror(slots[0]));
    slots[1] = vsJavaHeap_newArrayOf(&slots[0], n);
  }
  for (int32_t i = 0; slots[1] != 0 && i < n; ++i) {
    slots[2] = vsJavaHeap_newIntArray(m);
    if (slots[2] == 0)
      slots[1] = 0;
    else
      vsNativeMethod_setObjectArrayElement(slots[1], i, slots[2]);
  }
  const VmRef matrix = slots[1];
  vsNativeMethod_popLocalFrame(&frame);
  if (matrix == 0) {
    vsPendingException() = 0;
    vsNativeMethod_throwOutOfMemoryError();
  }
  return matrix;
}

int32_t vsNativeMethod_getBooleanArrayLength(VmRef array) { return lengthOf(array); }
int32_t vsNativeMethod_getByteArrayLength(VmRef array) { return lengthOf(array); }
int32_t vsNativeMethod_getShortArrayLength(VmRef array) { return lengthOf(array); }
int32_t vsNativeMethod_getIntArrayLength(VmRef array) { return lengthOf(array); }
int32_t vsNativeMethod_getFloatArrayLength(VmRef array) { return lengthOf(array); }
int32_t vsNativeMethod_getObjectArrayLength(VmRef array) { return lengthOf(array); }
int8_t* vsNativeMethod_getByteArrayData(VmRef array) { return data<int8_t>(array); }
int16_t* vsNativeMethod_getShortArrayData(VmRef array) { return data<int16_t>(array); }
int32_t* vsNativeMethod_getIntArrayData(VmRef array) { return data<int32_t>(array); }
uint32_t* vsNativeMethod_getFloatArrayData(VmRef array) { return data<uint32_t>(array); }
int32_t vsNativeMethod_getBooleanArrayElement(VmRef array, int32_t i) { return *element<int8_t>(array, i); }
void vsNativeMethod_setBooleanArrayElement(VmRef array, int32_t i, int32_t value) {
  *element<int8_t>(array, i) = static_cast<int8_t>(value);
}
int32_t vsNativeMethod_getByteArrayElement(VmRef array, int32_t i) { return *element<int8_t>(array, i); }
void vsNativeMethod_setByteArrayElement(VmRef array, int32_t i, int32_t value) {
  *element<int8_t>(array, i) = static_cast<int8_t>(value);
}
int32_t vsNativeMethod_getShortArrayElement(VmRef array, int32_t i) { return *element<int16_t>(array, i); }
void vsNativeMethod_setShortArrayElement(VmRef array, int32_t i, int32_t value) {
  *element<int16_t>(array, i) = static_cast<int16_t>(value);
}
int32_t vsNativeMethod_getIntArrayElement(VmRef array, int32_t i) { return *element<int32_t>(array, i); }
void vsNativeMethod_setIntArrayElement(VmRef array, int32_t i, int32_t value) {
  *element<int32_t>(array, i) = value;
}
uint32_t vsNativeMethod_getFloatArrayElement(VmRef array, int32_t i) { return *element<uint32_t>(array, i); }
void vsNativeMethod_setFloatArrayElement(VmRef array, int32_t i, uint32_t value) {
  *element<uint32_t>(array, i) = value;
}
VmRef vsNativeMethod_getObjectArrayElement(VmRef array, int32_t i) { return *element<VmRef>(array, i); }
void vsNativeMethod_setObjectArrayElement(VmRef array, int32_t i, VmRef value) {
  vsJavaHeap_storeReference(element<VmRef>(array, i), value);
}
VmWord vsNativeMethod_getWordArrayElement(VmRef array, int32_t i) { return *element<VmWord>(array, i); }
void vsNativeMethod_setWordArrayElement(VmRef array, int32_t i, VmWord value) {
  *element<VmWord>(array, i) = value;
}

uint32_t vsNativeMethod_getBooleanArrayElementAt(const VmRef* array, int32_t i) {
  return *element<uint8_t>(*array, i);
}
int32_t vsNativeMethod_getByteArrayElementAt(const VmRef* array, int32_t i) {
  return *element<int8_t>(*array, i);
}
uint32_t vsNativeMethod_getCharArrayElementAt(const VmRef* array, int32_t i) {
  return *element<uint16_t>(*array, i);
}
int32_t vsNativeMethod_getShortArrayElementAt(const VmRef* array, int32_t i) {
  return *element<int16_t>(*array, i);
}
int32_t vsNativeMethod_getIntArrayElementAt(const VmRef* array, int32_t i) {
  return *element<int32_t>(*array, i);
}
uint32_t vsNativeMethod_getFloatArrayElementAt(const VmRef* array, int32_t i) {
  return *element<uint32_t>(*array, i);
}
int64_t vsNativeMethod_getLongArrayElementAt(const VmRef* array, int32_t i) {
  return loadLong(element<uint32_t[2]>(*array, i)[0]);
}
int64_t vsNativeMethod_getDoubleArrayElementAt(const VmRef* array, int32_t i) {
  return loadLong(element<uint32_t[2]>(*array, i)[0]);
}
void vsNativeMethod_setBooleanArrayElementAt(const VmRef* array, int32_t i, int32_t value) {
  *element<uint8_t>(*array, i) = static_cast<uint8_t>(value);
}
void vsNativeMethod_setByteArrayElementAt(const VmRef* array, int32_t i, int32_t value) {
  *element<uint8_t>(*array, i) = static_cast<uint8_t>(value);
}
void vsNativeMethod_setCharArrayElementAt(const VmRef* array, int32_t i, int32_t value) {
  *element<uint16_t>(*array, i) = static_cast<uint16_t>(value);
}
void vsNativeMethod_setShortArrayElementAt(const VmRef* array, int32_t i, int32_t value) {
  *element<uint16_t>(*array, i) = static_cast<uint16_t>(value);
}
void vsNativeMethod_setIntArrayElementAt(const VmRef* array, int32_t i, int32_t value) {
  *element<int32_t>(*array, i) = value;
}
void vsNativeMethod_setFloatArrayElementAt(const VmRef* array, int32_t i, uint32_t value) {
  *element<uint32_t>(*array, i) = value;
}
void vsNativeMethod_setLongArrayElementAt(const VmRef* array, int32_t i, uint32_t low, uint32_t high) {
  storeLong(element<uint32_t[2]>(*array, i)[0], low, high);
}
void vsNativeMethod_setDoubleArrayElementAt(const VmRef* array, int32_t i, uint32_t low, uint32_t high) {
  storeLong(element<uint32_t[2]>(*array, i)[0], low, high);
}
void vsNativeMethod_getObjectArrayElementAt(const VmRef* array, int32_t i, VmRef* out) {
  *out = *element<VmRef>(*array, i);
}
void vsNativeMethod_setObjectArrayElementAt(const VmRef* array, int32_t i, const VmRef* valueHandle) {
  vsJavaHeap_storeReference(element<VmRef>(*array, i), *valueHandle);
}

void vsNativeMethod_getArrayRegion(const VmRef* array, int32_t byteOffset, int32_t len, void* buffer) {
  std::memmove(buffer, region(*array, byteOffset, len), static_cast<size_t>(len));
}

void vsNativeMethod_setArrayRegion(const VmRef* array, int32_t byteOffset, int32_t len, const void* buffer) {
  std::memmove(region(*array, byteOffset, len), buffer, static_cast<size_t>(len));
}

void* vsNativeMethod_getArrayElementAddress(const VmRef* array, int32_t byteOffset) {
  return vsWord_toPointer<uint8_t>(*array) + kArrayElementsOffset + byteOffset;
}

VmRef vsNativeMethod_copyStringToNative(VmRef string) {
  const int32_t count = vsNativeMethod_getStringCount(string);
  auto* copy = static_cast<NativeStringCopy*>(vsMemory_allocPointer((count - 1) * 2 + 28));
  if (copy == nullptr) return 0;
  copy->string = {0, vsWord_fromPointer(&copy->chars), 0, count};
  copy->chars.header = 0;
  copy->chars.length = count;
  std::memcpy(copy->units, vsNativeMethod_getStringChars(string),
              sizeof(uint16_t) * static_cast<size_t>(count));
  return vsWord_fromPointer(copy);
}

void vsNativeMethod_freeNativeString(VmRef copy) { vsMemory_freePointer(vsWord_toPointer<void>(copy)); }

int32_t vsNativeMethod_getStringCount(VmRef string) { return vsRef_as<StringObject>(string)->count; }

int32_t vsNativeMethod_getStringOffset(VmRef string) { return vsRef_as<StringObject>(string)->offset; }

uint16_t* vsNativeMethod_getStringChars(VmRef string) {
  return vsNativeMethod_getStringValueData(string) + vsNativeMethod_getStringOffset(string);
}

uint16_t* vsNativeMethod_getStringValueData(VmRef string) {
  return vsRef_as<CharArray>(vsRef_as<StringObject>(string)->value)->elements;
}
