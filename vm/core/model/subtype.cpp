// Subtype test (see subtype.h).
#include "vm/core/model/subtype.h"

#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/model_flags.h"

namespace {

// Whether the interface `t` is among the interfaces that `cls` declares,
// directly or through their superinterfaces. The local interfaces are a
// 16-bit array of class ids.
bool declaresInterface(const ClassRecord* cls, const ClassRecord* t) {
  const VmRef ids = vsClass_localInterfaces(cls);
  if (ids == 0) return false;
  const ShortArray* array = vsRef_as<ShortArray>(ids);
  for (int32_t i = 0; i < array->length; ++i) {
    const ClassRecord* iface = vsClass_byId(static_cast<uint16_t>(array->elements[i]));
    if (iface == nullptr) continue;
    if (iface == t || declaresInterface(iface, t)) return true;
  }
  return false;
}

bool fullTest(ClassRecord* s, ClassRecord* t) {
  if (s == t) return true;
  const VmRef sRef = vsRef_of(s);
  switch (vsObject_kind(sRef)) {
    case kKindInstanceClass: {
      const bool interfaceTarget = (t->classInfo->accessFlags & kClassInterface) != 0;
      for (const ClassRecord* c = s; c != nullptr; c = c->superClass.get()) {
        if (c == t) return true;
        if (interfaceTarget && declaresInterface(c, t)) return true;
      }
      return false;
    }
    case kKindObjectArrayClass: {
      if (vsClass_isJavaLangObject(t)) return true;
      if (vsObject_kind(vsRef_of(t)) != kKindObjectArrayClass) return false;
      return vsClass_isSubtypeOf(vsRef_as<ClassRecord>(s->elementOrLink),
                                 vsRef_as<ClassRecord>(t->elementOrLink));
    }
    case kKindTypeArrayClass:
      return vsClass_isJavaLangObject(t);
    default:
      return false;
  }
}

}  // namespace

bool vsClass_isSubtypeOf(ClassRecord* s, ClassRecord* t) {
  const VmRef target = vsRef_of(t);
  if (s->subtypeCache1.raw == target || s->subtypeCache2.raw == target) return true;
  if (!fullTest(s, t)) return false;
  vsJavaHeap_storeReference(&s->subtypeCache2.raw, s->subtypeCache1.raw);
  vsJavaHeap_storeReference(&s->subtypeCache1.raw, target);
  return true;
}
