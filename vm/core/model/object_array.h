// Stores into object arrays: single elements and the copy of
// System.arraycopy, both through the write barrier.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

void vsObjectArray_setElement(ObjectArray* array, int32_t index, VmRef value);

// Copies count elements (positions and count already checked by the
// caller). Compatible arrays (the same array, the same element class, or a
// source element class assignable to the destination's) are moved as if
// through a temporary buffer, and the destination range is recorded in the
// barrier; otherwise each non-null element is checked, and the first that
// does not fit raises ArrayStoreException (110) after the elements before
// it were stored.
void vsObjectArray_copy(const VmRef* source, int32_t sourcePosition, const VmRef* destination,
                        int32_t destinationPosition, int32_t count);
