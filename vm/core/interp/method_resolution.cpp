// Resolution of method and interface-method entries (see
// method_resolution.h).
//
// Every check runs before the entry is written, so a failure leaves the
// entry as it was. A method found through an interface's root class (an
// interface reference to, say, toString) is bound like a call through that
// class and then retagged 50 or 51.
#include "vm/core/interp/method_resolution.h"

#include "ce/substrate/fatal.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/pool_resolution.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/member_refs.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/names.h"
#include "vm/core/model/signatures.h"

namespace {

const ConstantPool* poolOf(const VmRef* pool) { return vsRef_as<ConstantPool>(*pool); }

void raise(int32_t code) { vsException_raiseWithCode(kVmErrorClass, code); }

uint32_t accessFlagsOf(const ClassRecord* cls) {
  uint32_t flags = 0;
  const VmRef held = vsRef_of(cls);
  vsClass_accessFlags(&held, &flags);
  return flags;
}

bool isInterface(const ClassRecord* cls) { return (accessFlagsOf(cls) & kClassInterface) != 0; }

bool isSubclass(const ClassRecord* sub, const ClassRecord* ancestor) {
  for (const ClassRecord* c = sub; c != nullptr; c = c->superClass.get())
    if (c == ancestor) return true;
  return false;
}

bool isVirtualTag(uint8_t tag) {
  return tag >= int32_t{kTagResolvedVirtualBase} + kTypeBoolean && tag <= int32_t{kTagResolvedVirtualBase} + kTypeVoid;
}

bool isInterfaceTag(uint8_t tag) {
  return tag >= int32_t{kTagResolvedInterfaceBase} + kTypeBoolean &&
         tag <= int32_t{kTagResolvedInterfaceBase} + kTypeVoid;
}

int32_t resultType(const MethodRecord* method) { return vsSignature_basicType(vsMethod_signature(method), false); }

// The state of an entry an invoke finds: resolved (1 direct, 0 vtable),
// still a reference of the expected tag (-1), or neither (-2, error 91
// raised).
int32_t entryState(const VmRef* pool, uint32_t index, uint8_t referenceTag) {
  const ConstantPool* p = poolOf(pool);
  if (index >= p->count) {
    raise(kErrBadPoolEntry);
    return -2;
  }
  const uint8_t tag = vsConstantPool_tagAt(p, index);
  if (tag == kTagBoundMethod) return 1;
  if (isVirtualTag(tag)) return 0;
  if (tag == referenceTag) return -1;
  raise(kErrBadPoolEntry);
  return -2;
}

// A direct entry that an invokestatic bound serves no call with a
// receiver: error `code`.
bool boundToStatic(const VmRef* pool, uint32_t index, int32_t code) {
  if (!vsMember_isStatic(vsRef_as<MethodRecord>(poolOf(pool)->entries[index]))) return false;
  raise(code);
  return true;
}

}  // namespace

bool vsMember_isAccessible(const MethodRecord* member, const ClassRecord* accessing, const ClassRecord* referenced) {
  const ClassRecord* holder = vsMethod_holderClass(member);
  if (vsMethod_isPublic(member) || holder == accessing) return true;
  if (vsMethod_isPrivate(member) || holder == nullptr) return false;
  if (vsName_samePackage(vsClass_name(holder), vsClass_name(accessing))) return true;
  return vsMethod_isProtected(member) && isSubclass(accessing, holder) &&
         (isSubclass(referenced, accessing) || isSubclass(accessing, referenced));
}

bool vsMember_checkAccess(const MethodRecord* member, const ClassRecord* accessing, const ClassRecord* referenced,
                          int32_t form) {
  if ((accessFlagsOf(accessing) & kClassAccessChecksWaived) != 0) return true;
  if (vsMember_isAccessible(member, accessing, referenced)) return true;
  vsException_throwIllegalAccess(form);
  return false;
}

MethodRecord* vsConstantPool_lookupMethod(const VmRef* pool, const VmRef* accessing, uint32_t index, VmRef* name,
                                          VmRef* signature, ClassRecord** cls) {
  const ConstantPool* p = poolOf(pool);
  if (index >= p->count || vsConstantPool_tagAt(p, index) != kTagMethodRef) {
    raise(kErrBadPoolEntry);
    return nullptr;
  }
  ClassRecord* referenced = vsConstantPool_resolveMemberClass(pool, index);
  VmRef unusedClass = 0, unusedName = 0;
  if (referenced == nullptr ||
      vsConstantPool_memberRefParts(pool, index, name, signature, &unusedClass, &unusedName) == 0)
    return nullptr;
  MethodRecord* method = vsRef_as<MethodRecord>(vsClass_findMethod(referenced, *name, *signature));
  if (method == nullptr) {
    raise(kErrMethodMissing);
    return nullptr;
  }
  if (!vsMember_checkAccess(method, vsRef_as<ClassRecord>(*accessing), referenced, 1)) return nullptr;
  *cls = referenced;
  return method;
}

int32_t vsConstantPool_bindMethod(const VmRef* pool, uint32_t index, const ClassRecord* cls,
                                  const MethodRecord* method) {
  ConstantPool* p = vsRef_as<ConstantPool>(*pool);
  const int32_t slot = vsMethod_findInVtable(method);
  // A method no vtable holds cannot be overridden either.
  const bool direct = (accessFlagsOf(cls) & kClassFinal) != 0 || (method->accessFlags & kMethodFinal) != 0 ||
                      vsMember_isStatic(method) || vsMethod_isConstructor(method) || slot < 0;
  if (direct) {
    vsConstantPool_setEntry(p, index, kTagBoundMethod, vsRef_of(method));
    return 1;
  }
  const uint32_t holderId = method->classId;
  vsConstantPool_setEntry(p, index, static_cast<uint8_t>(kTagResolvedVirtualBase + resultType(method)),
                          holderId << 16 | static_cast<uint32_t>(slot));
  return 0;
}

int32_t vsConstantPool_resolveSpecialMethod(const VmRef* pool, const VmRef* accessing, uint32_t index) {
  const int32_t state = entryState(pool, index, kTagMethodRef);
  if (state == 1 && boundToStatic(pool, index, kErrMethodStaticness)) return 0;
  if (state != -1) return state > 0 ? state : 0;
  VmRef name = 0, signature = 0;
  ClassRecord* referenced = nullptr;
  const MethodRecord* method = vsConstantPool_lookupMethod(pool, accessing, index, &name, &signature, &referenced);
  if (method == nullptr) return 0;
  if (vsMember_isStatic(method)) {
    raise(kErrMethodStaticness);
    return 0;
  }
  if (vsMethod_isConstructor(method) && vsMethod_holderClass(method) != referenced) {
    raise(kErrMethodMissing);
    return 0;
  }
  return vsConstantPool_bindMethod(pool, index, referenced, method);
}

int32_t vsConstantPool_resolveVirtualMethod(const VmRef* pool, const VmRef* accessing, uint32_t index) {
  const int32_t state = entryState(pool, index, kTagMethodRef);
  if (state == 1 && boundToStatic(pool, index, kErrWrongInvoke)) return 0;
  if (state != -1) return state > 0 ? state : 0;
  VmRef name = 0, signature = 0;
  ClassRecord* referenced = nullptr;
  const MethodRecord* method = vsConstantPool_lookupMethod(pool, accessing, index, &name, &signature, &referenced);
  if (method == nullptr) return 0;
  if (isInterface(referenced) || vsMember_isStatic(method)) {
    raise(kErrWrongInvoke);
    return 0;
  }
  return vsConstantPool_bindMethod(pool, index, referenced, method);
}

int32_t vsConstantPool_resolveStaticMethod(const VmRef* pool, const VmRef* accessing, uint32_t index) {
  const int32_t state = entryState(pool, index, kTagMethodRef);
  if (state == -2) return 0;
  if (state == 0) {
    raise(kErrMethodStaticness);
    return 0;
  }
  if (state == -1) {
    VmRef name = 0, signature = 0;
    ClassRecord* referenced = nullptr;
    const MethodRecord* method =
        vsConstantPool_lookupMethod(pool, accessing, index, &name, &signature, &referenced);
    if (method == nullptr) return 0;
    if (!vsMember_isStatic(method)) {
      raise(kErrMethodStaticness);
      return 0;
    }
    vsConstantPool_setEntry(vsRef_as<ConstantPool>(*pool), index, kTagBoundMethod, vsRef_of(method));
  }
  const MethodRecord* bound = vsRef_as<MethodRecord>(poolOf(pool)->entries[index]);
  if (!vsMember_isStatic(bound)) {
    raise(kErrMethodStaticness);
    return 0;
  }
  const ClassRecord* holder = vsMethod_holderClass(bound);
  return holder != nullptr && vsClass_isInitialized(holder) ? 1 : 0;
}

void vsConstantPool_resolveInterfaceMethod(const VmRef* pool, const VmRef* accessing, uint32_t index) {
  const ConstantPool* p = poolOf(pool);
  if (index >= p->count) {
    raise(kErrBadPoolEntry);
    return;
  }
  const uint8_t tag = vsConstantPool_tagAt(p, index);
  if (isInterfaceTag(tag) || tag == kTagRedirectedVirtual || tag == kTagRedirectedDirect) return;
  if (tag != kTagInterfaceMethodRef) {
    raise(kErrBadPoolEntry);
    return;
  }
  VmHandle iface;
  vsHandle_push(&iface, vsRef_of(vsConstantPool_resolveMemberClass(pool, index)));
  VmRef name = 0, signature = 0, unusedClass = 0, unusedName = 0;
  if (iface.object == 0 ||
      vsConstantPool_memberRefParts(pool, index, &name, &signature, &unusedClass, &unusedName) == 0) {
    vsHandle_close(&iface);
    return;
  }
  const ClassRecord* referenced = vsRef_as<ClassRecord>(iface.object);
  vsHandle_close(&iface);
  if (!isInterface(referenced)) {
    raise(kErrWrongInvoke);
    return;
  }
  int32_t holderId = 0, at = 0;
  const VmRef declared = vsClass_findInterfaceMethod(referenced, name, signature, &holderId, &at);
  if (declared != 0) {
    vsConstantPool_setEntry(vsRef_as<ConstantPool>(*pool), index,
                            static_cast<uint8_t>(kTagResolvedInterfaceBase + resultType(vsRef_as<MethodRecord>(declared))),
                            static_cast<uint32_t>(holderId) << 16 | static_cast<uint32_t>(at));
    return;
  }
  // A method of the class hierarchy above the interface: its root class.
  const ClassRecord* root = referenced->superClass.get();
  const MethodRecord* method =
      root != nullptr ? vsRef_as<MethodRecord>(vsClass_findMethod(root, name, signature)) : nullptr;
  if (method == nullptr) {
    raise(kErrMethodMissing);
    return;
  }
  if (!vsMember_isAccessible(method, vsRef_as<ClassRecord>(*accessing), root)) {
    raise(kErrAccessDenied);
    return;
  }
  if (vsMember_isStatic(method) || vsMethod_isConstructor(method)) {
    raise(kErrWrongInvoke);
    return;
  }
  const int32_t direct = vsConstantPool_bindMethod(pool, index, root, method);
  vsConstantPool_setTag(vsRef_as<ConstantPool>(*pool), index, direct != 0 ? kTagRedirectedDirect : kTagRedirectedVirtual);
}

void vsConstantPool_resolveInvoke(const VmRef* pool, const VmRef* accessing, uint32_t index, uint8_t opcode) {
  switch (opcode) {
    case kOpInvokevirtual:
      vsConstantPool_resolveVirtualMethod(pool, accessing, index);
      break;
    case kOpInvokespecial:
      vsConstantPool_resolveSpecialMethod(pool, accessing, index);
      break;
    case kOpInvokestatic:
      vsConstantPool_resolveStaticMethod(pool, accessing, index);
      break;
    default:
      VS_ASSERT(opcode == kOpInvokeinterface, "an invoke opcode");
      vsConstantPool_resolveInterfaceMethod(pool, accessing, index);
      break;
  }
}
