// Multi-dimensional array allocation (multianewarray).
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// An array of the n-dimensional array class `arrayClass` with the lengths
// of its first `dims` dimensions (outermost first). Every length is checked
// before anything is allocated: a negative one raises
// NegativeArraySizeException. Inner arrays are made as far as the element
// classes are array classes.
VmRef vsArray_newMultiDimensional(const VmRef* arrayClass, int32_t dims, const int32_t* lengths);
