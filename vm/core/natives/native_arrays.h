// Arrays and Strings for natives: creation, element access and the String
// readers.
//
//   array:  | class word | length | elements from byte 8, packed |
//   String: | class word | value (char[]) | offset | count |
//
// Byte arrays come from the native area, not from the ordinary array
// allocator, so a native can pin them; the others are ordinary heap
// objects. Each creation returns the new object as a raw reference, or 0
// with the exception pending: NegativeArraySizeException for a negative
// length, OutOfMemoryError when the heap is full.
//
// The raw accessors take references, the "At" accessors handles; none
// checks its arguments in optimised builds (debug and sanitizer builds
// assert null, bounds and element width).
//
// A native string copy lives outside the heap, from the memory service:
//
//   | unused | value = &chars header | offset 0 | count |
//   | unused | length = count | count UTF-16 units |
//
// so the String readers below read it as they read a String.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// A byte array of n elements, filled from `data` when it is not null; 0
// with NegativeArraySizeException (n < 0) or OutOfMemoryError pending.
VmRef vsNativeMethod_newByteArray(const void* data, int32_t n);
// An int array of n elements, n words copied from `data` when it is not
// null.
VmRef vsNativeMethod_newIntArray(const int32_t* data, int32_t n);
// A boolean array of n elements, n bytes copied from `data` when it is not
// null.
VmRef vsNativeMethod_newBooleanArray(const uint8_t* data, int32_t n);
// A String[] of n nulls.
VmRef vsNativeMethod_newStringArray(int32_t n);
// An array of n nulls of the array class of the class (a Class object).
VmRef vsNativeMethod_newObjectArray(VmRef classRef, int32_t n);
// A zeroed instance of the class (a Class object); no constructor runs.
VmRef vsNativeMethod_newObject(VmRef classRef);
// An int[n][m] ("[I" must be loaded and initialised): any failure gives
// OutOfMemoryError, a negative length NegativeArraySizeException.
VmRef vsNativeMethod_newIntMatrix(int32_t n, int32_t m);

// Raw arrays: lengths, the address of element 0, elements by index.
int32_t vsNativeMethod_getBooleanArrayLength(VmRef array);
int32_t vsNativeMethod_getByteArrayLength(VmRef array);
int32_t vsNativeMethod_getShortArrayLength(VmRef array);
int32_t vsNativeMethod_getIntArrayLength(VmRef array);
int32_t vsNativeMethod_getFloatArrayLength(VmRef array);
int32_t vsNativeMethod_getObjectArrayLength(VmRef array);
int8_t* vsNativeMethod_getByteArrayData(VmRef array);
int16_t* vsNativeMethod_getShortArrayData(VmRef array);
int32_t* vsNativeMethod_getIntArrayData(VmRef array);
uint32_t* vsNativeMethod_getFloatArrayData(VmRef array);
int32_t vsNativeMethod_getBooleanArrayElement(VmRef array, int32_t i);
void vsNativeMethod_setBooleanArrayElement(VmRef array, int32_t i, int32_t value);
int32_t vsNativeMethod_getByteArrayElement(VmRef array, int32_t i);
void vsNativeMethod_setByteArrayElement(VmRef array, int32_t i, int32_t value);
int32_t vsNativeMethod_getShortArrayElement(VmRef array, int32_t i);
void vsNativeMethod_setShortArrayElement(VmRef array, int32_t i, int32_t value);
int32_t vsNativeMethod_getIntArrayElement(VmRef array, int32_t i);
void vsNativeMethod_setIntArrayElement(VmRef array, int32_t i, int32_t value);
uint32_t vsNativeMethod_getFloatArrayElement(VmRef array, int32_t i);
void vsNativeMethod_setFloatArrayElement(VmRef array, int32_t i, uint32_t value);
VmRef vsNativeMethod_getObjectArrayElement(VmRef array, int32_t i);
// Through the write barrier.
void vsNativeMethod_setObjectArrayElement(VmRef array, int32_t i, VmRef value);
// The word at array + 8 + 4i, without the write barrier: primitive values
// only.
VmWord vsNativeMethod_getWordArrayElement(VmRef array, int32_t i);
void vsNativeMethod_setWordArrayElement(VmRef array, int32_t i, VmWord value);

// Arrays in handles.
// The length of the array, -1 for null.
int32_t vsNativeMethod_getArrayLength(const VmRef* array);
uint32_t vsNativeMethod_getBooleanArrayElementAt(const VmRef* array, int32_t i);
int32_t vsNativeMethod_getByteArrayElementAt(const VmRef* array, int32_t i);
uint32_t vsNativeMethod_getCharArrayElementAt(const VmRef* array, int32_t i);
int32_t vsNativeMethod_getShortArrayElementAt(const VmRef* array, int32_t i);
int32_t vsNativeMethod_getIntArrayElementAt(const VmRef* array, int32_t i);
uint32_t vsNativeMethod_getFloatArrayElementAt(const VmRef* array, int32_t i);
int64_t vsNativeMethod_getLongArrayElementAt(const VmRef* array, int32_t i);
int64_t vsNativeMethod_getDoubleArrayElementAt(const VmRef* array, int32_t i);
void vsNativeMethod_setBooleanArrayElementAt(const VmRef* array, int32_t i, int32_t value);
void vsNativeMethod_setByteArrayElementAt(const VmRef* array, int32_t i, int32_t value);
void vsNativeMethod_setCharArrayElementAt(const VmRef* array, int32_t i, int32_t value);
void vsNativeMethod_setShortArrayElementAt(const VmRef* array, int32_t i, int32_t value);
void vsNativeMethod_setIntArrayElementAt(const VmRef* array, int32_t i, int32_t value);
void vsNativeMethod_setFloatArrayElementAt(const VmRef* array, int32_t i, uint32_t value);
void vsNativeMethod_setLongArrayElementAt(const VmRef* array, int32_t i, uint32_t low, uint32_t high);
void vsNativeMethod_setDoubleArrayElementAt(const VmRef* array, int32_t i, uint32_t low, uint32_t high);
void vsNativeMethod_getObjectArrayElementAt(const VmRef* array, int32_t i, VmRef* out);
// Through the write barrier.
void vsNativeMethod_setObjectArrayElementAt(const VmRef* array, int32_t i, const VmRef* valueHandle);
// len bytes out of or into the elements from byteOffset (overlap-safe).
void vsNativeMethod_getArrayRegion(const VmRef* array, int32_t byteOffset, int32_t len, void* buffer);
void vsNativeMethod_setArrayRegion(const VmRef* array, int32_t byteOffset, int32_t len, const void* buffer);
// array + 8 + byteOffset.
void* vsNativeMethod_getArrayElementAddress(const VmRef* array, int32_t byteOffset);

// A String of the len UTF-16 units; without memory the VM ends
// (vsNativeMethod_fatalOutOfMemory).
VmRef vsNativeMethod_createString(const uint16_t* chars, int32_t len);
// A String of the len UTF-8 bytes: invalid sequences become U+FFFD, bytes
// of lead length 0 are skipped, and a sequence cut off by the end is
// dropped (the String holds the units the conversion wrote). Without
// memory the VM ends.
VmRef vsNativeMethod_createStringUtf8(const uint8_t* bytes, int32_t len);
// The String's text as UTF-8 in buffer, at most size - 1 bytes and always
// NUL-terminated; a text that does not fit is empty. Returns buffer.
char* vsNativeMethod_getStringUtf8(VmRef string, char* buffer, int32_t size);

// A native string copy of the String (see above), 0 when the memory
// service has no room; freed by vsNativeMethod_freeNativeString.
VmRef vsNativeMethod_copyStringToNative(VmRef string);
void vsNativeMethod_freeNativeString(VmRef copy);
// Readers of a String or a native string copy: count, offset, the address
// of the first unit (value + 8 + 2*offset) and of the value's units.
int32_t vsNativeMethod_getStringCount(VmRef string);
int32_t vsNativeMethod_getStringOffset(VmRef string);
uint16_t* vsNativeMethod_getStringChars(VmRef string);
uint16_t* vsNativeMethod_getStringValueData(VmRef string);
