// Relations between classes (see class_relations.h).
#include "vm/core/model/class_relations.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/names.h"

namespace {

bool isInterface(const ClassRecord* c) { return (c->classInfo->accessFlags & kClassInterface) != 0; }

}  // namespace

bool vsClass_isAssignable(const ClassRecord* s, const ClassRecord* t) {
  // Arrays of arrays step down one dimension at a time.
  while (s != t) {
    switch (vsObject_kind(vsRef_of(s))) {
      case kKindInstanceClass:
        if (!isInterface(t)) {
          for (const ClassRecord* c = s->superClass.get(); c != nullptr; c = c->superClass.get())
            if (c == t) return true;
          return false;
        }
        return isInterface(s) ? vsClass_listsInterface(s, vsClass_id(t)) : vsClass_implements(s, t);
      case kKindObjectArrayClass:
        if (vsClass_isJavaLangObject(t)) return true;
        if (vsObject_kind(vsRef_of(t)) != kKindObjectArrayClass) return false;
        s = vsRef_as<ClassRecord>(s->elementOrLink);
        t = vsRef_as<ClassRecord>(t->elementOrLink);
        break;
      case kKindTypeArrayClass:
        return vsClass_isJavaLangObject(t);
      default:
        return false;
    }
  }
  return true;
}

bool vsClass_checkAccess(const ClassRecord* accessing, const ClassRecord* k, int32_t form) {
  if ((accessing->classInfo->accessFlags & kClassAccessChecksWaived) != 0 ||
      (k->classInfo->accessFlags & kClassPublic) != 0 || vsName_samePackage(vsClass_name(accessing), vsClass_name(k)))
    return true;
  vsException_throwIllegalAccess(form);
  return false;
}

void vsArray_copyElements(VmRef source, int32_t sourcePosition, VmRef destination, int32_t destinationPosition,
                          int32_t count) {
  const int32_t size = vsArrayClass_elementSize(vsObject_class(source));
  if (count <= 0) return;
  const size_t unit = static_cast<size_t>(size);
  const uint8_t* from = vsRef_as<uint8_t>(source) + kArrayElementsOffset + static_cast<size_t>(sourcePosition) * unit;
  uint8_t* to = vsRef_as<uint8_t>(destination) + kArrayElementsOffset + static_cast<size_t>(destinationPosition) * unit;
  std::memmove(to, from, static_cast<size_t>(count) * unit);
}
