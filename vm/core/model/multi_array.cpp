// Multi-dimensional arrays (see multi_array.h).
#include "vm/core/model/multi_array.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/object_array.h"

namespace {

VmRef allocate(const VmRef* cls, int32_t dims, const int32_t* lengths) {
  const VmRef array = vsClass_isTypeArrayClass(cls) ? vsJavaHeap_newTypedArray(cls, lengths[0])
                                                    : vsJavaHeap_newArray(cls, lengths[0], 4);
  if (array == 0 || dims < 2 || !vsClass_isObjectArrayClass(cls)) return array;
  VmHandle outer;
  VmHandle element;
  vsHandle_push(&outer, array);
  vsHandle_push(&element, vsRef_as<ClassRecord>(*cls)->elementOrLink);
  bool complete = true;
  if (vsClass_isObjectArrayClass(&element.object) || vsClass_isTypeArrayClass(&element.object)) {
    for (int32_t i = 0; i < lengths[0]; ++i) {
      const VmRef inner = allocate(&element.object, dims - 1, lengths + 1);
      if (inner == 0) {
        complete = false;
        break;
      }
      vsObjectArray_setElement(vsRef_as<ObjectArray>(outer.object), i, inner);
    }
  }
  // Read after the allocations, which may have moved the outer array.
  const VmRef result = complete ? outer.object : 0;
  vsHandle_close(&outer);
  return result;
}

}  // namespace

VmRef vsArray_newMultiDimensional(const VmRef* arrayClass, int32_t dims, const int32_t* lengths) {
  for (int32_t i = 0; i < dims; ++i) {
    if (lengths[i] < 0) {
      vsException_raise(kNegativeArraySizeClass, nullptr);
      return 0;
    }
  }
  return allocate(arrayClass, dims, lengths);
}
