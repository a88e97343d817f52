// Subtype test (see subtype.h).
#include "vm/core/model/subtype.h"

#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_id_set.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/model_flags.h"

namespace {

// Whether the interface `t` is among the interfaces that the classes of the
// chain from `cls` declare, directly or through their superinterfaces. The
// local interfaces are 16-bit arrays of class ids. The walk is breadth first
// over a set of ids whose order of insertion is the queue: each interface is
// visited once, and nothing recurses, however deep the hierarchy.
void addList(ClassIdSet* set, const ClassRecord* cls) {
  const VmRef ids = vsClass_localInterfaces(cls);
  if (ids == 0) return;
  const ShortArray* array = vsRef_as<ShortArray>(ids);
  for (int32_t i = 0; i < array->length; ++i) vsClassIdSet_add(set, static_cast<uint16_t>(array->elements[i]));
}

bool declaresInterface(const ClassRecord* cls, const ClassRecord* t) {
  ClassIdSet set;
  vsClassIdSet_clear(&set);
  for (const ClassRecord* c = cls; c != nullptr; c = c->superClass.get()) addList(&set, c);
  const uint16_t target = vsClass_id(t);
  for (uint32_t next = 0; next < set.count; ++next) {
    if (set.ids[next] == target) return true;
    const ClassRecord* iface = vsClass_byId(set.ids[next]);
    if (iface != nullptr) addList(&set, iface);
  }
  return false;
}

bool fullTest(ClassRecord* s, ClassRecord* t) {
  if (s == t) return true;
  const VmRef sRef = vsRef_of(s);
  switch (vsObject_kind(sRef)) {
    case kKindInstanceClass: {
      for (const ClassRecord* c = s; c != nullptr; c = c->superClass.get())
        if (c == t) return true;
      return (t->classInfo->accessFlags & kClassInterface) != 0 && declaresInterface(s, t);
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
