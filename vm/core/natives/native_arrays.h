// Arrays and Strings that natives create. Byte arrays come from the native
// area, not from the ordinary array allocator, so a native can pin them;
// the others are ordinary heap objects. Each returns the new object as a
// raw reference, or 0 with the exception pending: NegativeArraySizeException
// for a negative length, OutOfMemoryError when the heap is full.
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
// The length of the array, -1 for null (a handle).
int32_t vsNativeMethod_getArrayLength(const VmRef* array);

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
