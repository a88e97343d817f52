// Arrays that natives create: they come from the native area, not from the
// ordinary array allocator, so a native can pin them.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// A byte array of n elements, filled from `data` when it is not null; 0
// with NegativeArraySizeException (n < 0) or OutOfMemoryError pending.
VmRef vsNativeMethod_newByteArray(const void* data, int32_t n);
