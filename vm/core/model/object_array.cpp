// Object-array stores (see object_array.h).
#include "vm/core/model/object_array.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/subtype.h"

namespace {
constexpr int32_t kBadArrayStore = 110;

ClassRecord* elementClass(VmRef array) {
  return vsRef_as<ClassRecord>(vsObject_class(array)->elementOrLink);
}
}  // namespace

void vsObjectArray_setElement(ObjectArray* array, int32_t index, VmRef value) {
  vsJavaHeap_storeReference(&array->elements[index], value);
}

void vsObjectArray_copy(const VmRef* source, int32_t sourcePosition, const VmRef* destination,
                        int32_t destinationPosition, int32_t count) {
  if (count == 0) return;
  ObjectArray* from = vsRef_as<ObjectArray>(*source);
  ObjectArray* to = vsRef_as<ObjectArray>(*destination);
  ClassRecord* fromElement = elementClass(*source);
  ClassRecord* toElement = elementClass(*destination);
  if (from == to || fromElement == toElement || vsClass_isSubtypeOf(fromElement, toElement)) {
    std::memmove(&to->elements[destinationPosition], &from->elements[sourcePosition],
                 static_cast<size_t>(count) * 4);
    vsGC_setBitRange(vsRef_of(&to->elements[destinationPosition]), count);
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    const VmRef element = from->elements[sourcePosition + i];
    if (element != 0 && !vsClass_isSubtypeOf(vsObject_class(element), toElement)) {
      vsException_throwArrayStore(kBadArrayStore);
      return;
    }
    vsObjectArray_setElement(to, destinationPosition + i, element);
  }
}
