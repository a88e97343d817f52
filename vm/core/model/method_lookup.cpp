// Method lookup (see method_lookup.h).
#include "vm/core/model/method_lookup.h"

#include "vm/core/interp/method_helpers.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/well_known_symbols.h"

VS_VMBSS(uint32_t) vsMethodLookup_imageOption;

namespace {

// An array class has no method table (its word holds the element type).
const ObjectArray* methodsOf(const ClassRecord* cls) {
  if (vsClass_isArrayClass(cls)) return nullptr;
  const VmRef methods = vsClass_methods(cls);
  return methods != 0 ? vsRef_as<ObjectArray>(methods) : nullptr;
}

int32_t indexInClass(const ClassRecord* cls, VmRef name, VmRef signature) {
  const ObjectArray* methods = methodsOf(cls);
  if (methods == nullptr) return -1;
  for (int32_t i = 0; i < methods->length; ++i) {
    const VmRef m = methods->elements[i];
    if (m != 0 && vsMethod_matchesNameAndSignature(vsRef_as<MethodRecord>(m), name, signature)) return i;
  }
  return -1;
}

const ClassRecord* holderOf(VmRef method) { return vsMethod_holderClass(vsRef_as<MethodRecord>(method)); }

bool onSuperChain(const ClassRecord* cls, const ClassRecord* ancestor) {
  for (const ClassRecord* c = cls; c != nullptr; c = c->superClass.get())
    if (c == ancestor) return true;
  return false;
}

// The most derived implementation among the virtual-table entries of the
// starting class with the name and signature.
VmRef mostDerivedInVtable(const ClassRecord* cls, VmRef name, VmRef signature, VmRef result) {
  const ClassInfo* info = cls->classInfo.get();
  for (uint32_t i = 0; i < info->vtableLength; ++i) {
    const VmRef entry = info->vtable[i];
    if (entry == 0 || !vsMethod_matchesNameAndSignature(vsRef_as<MethodRecord>(entry), name, signature)) continue;
    if (result == 0 || onSuperChain(holderOf(entry), holderOf(result))) result = entry;
  }
  return result;
}

}  // namespace

VmRef vsClass_findMethodInClass(const ClassRecord* cls, VmRef name, VmRef signature) {
  const int32_t i = indexInClass(cls, name, signature);
  return i < 0 ? 0 : methodsOf(cls)->elements[i];
}

VmRef vsClass_findMethod(const ClassRecord* cls, VmRef name, VmRef signature) {
  // The methods of an array class are Object's.
  if (cls != nullptr && vsClass_isArrayClass(cls)) cls = cls->superClass.get();
  VmRef result = 0;
  for (const ClassRecord* c = cls; c != nullptr && result == 0; c = c->superClass.get())
    result = vsClass_findMethodInClass(c, name, signature);
  if ((vsMethodLookup_imageOption & 1) == 0) return result;
  if (result != 0 && holderOf(result) == cls) return result;
  return mostDerivedInVtable(cls, name, signature, result);
}

VmRef vsClass_findInterfaceMethod(const ClassRecord* iface, VmRef name, VmRef signature, int32_t* holderId,
                                  int32_t* index) {
  const ClassRecord* holder = iface;
  int32_t at = indexInClass(iface, name, signature);
  const VmRef list = vsClass_localInterfaces(iface);
  if (at < 0 && list != 0) {
    const ShortArray* ids = vsRef_as<ShortArray>(list);
    for (int32_t i = 0; i < ids->length && at < 0; ++i) {
      holder = vsClass_byId(static_cast<uint16_t>(ids->elements[i]));
      if (holder != nullptr) at = indexInClass(holder, name, signature);
    }
  }
  if (at < 0) return 0;
  *holderId = vsClass_id(holder);
  *index = at;
  return methodsOf(holder)->elements[at];
}

VmRef vsClass_methodAt(const ClassRecord* cls, int32_t i) { return methodsOf(cls)->elements[i]; }

bool vsClass_implements(const ClassRecord* cls, const ClassRecord* iface) {
  const ClassInfo* info = cls->classInfo.get();
  const uint16_t id = vsClass_id(iface);
  for (uint32_t i = 0; i < info->itableLength; ++i)
    if (info->vtable[info->vtableLength + 2 * i] == id) return true;
  return false;
}

bool vsClass_listsInterface(const ClassRecord* cls, uint32_t interfaceId) {
  const VmRef list = vsClass_localInterfaces(cls);
  if (list == 0) return false;
  const ShortArray* ids = vsRef_as<ShortArray>(list);
  for (int32_t i = 0; i < ids->length; ++i)
    if (static_cast<uint16_t>(ids->elements[i]) == interfaceId) return true;
  return false;
}

VmRef vsClass_takeClassInitializer(ClassRecord* cls) {
  const VmRef methods = vsClass_methods(cls);
  if (methods == 0 || vsObject_isInRomImage(methods) || (cls->classInfo->accessFlags & kClassInterface) != 0)
    return kClassInitializerNotTaken;
  ObjectArray* list = vsRef_as<ObjectArray>(methods);
  if (list->length == 0) return kClassInitializerNotTaken;
  const int32_t i = indexInClass(cls, vsWellKnown_symbol(kSymClinit), vsWellKnown_symbol(kSymSignatureVoid));
  if (i < 0) return 0;
  const VmRef initializer = list->elements[i];
  list->elements[i] = 0;
  return initializer;
}

void vsClass_storeNativeFinalizer(ClassRecord* cls) {
  if ((cls->classInfo->accessFlags & kClassFinalizable) == 0) return;
  const VmRef found = vsClass_findMethod(cls, vsWellKnown_symbol(kSymFinalize), vsWellKnown_symbol(kSymSignatureVoid));
  if (found == 0) return;
  MethodRecord* m = vsRef_as<MethodRecord>(found);
  if (!vsMethod_isNative(m)) return;
  // Form (b) keeps the address where max stack and max locals are.
  cls->finalizer = vsMethod_isNativeWithoutCode(m) ? uint32_t{m->maxStack} | uint32_t{m->maxLocals} << 16
                                                   : *vsMethod_nativeAddressSlot(m);
}
