// Link steps of loaded classes (see class_linking.h).
#include "vm/core/model/class_linking.h"

#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/interp/pool_strings.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_id_set.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/descriptors.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/names.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/startup/vm_control.h"

namespace {

enum Reach : int { kUnreachable = 0, kPackagePrivate = 1, kPublicOrProtected = 2 };

const MethodRecord* method(VmRef m) { return vsRef_as<MethodRecord>(m); }

bool isPublicOrProtected(const MethodRecord* m) { return vsMethod_isPublic(m) || vsMethod_isProtected(m); }

bool isInitializer(const MethodRecord* m) {
  const VmRef name = vsMethod_name(m);
  return name == vsWellKnown_symbol(kSymInit) || name == vsWellKnown_symbol(kSymClinit);
}

const VmSymbol* holderName(const MethodRecord* m) { return vsClass_name(vsMethod_holderClass(m)); }

// How index i of the superclass's table is reachable.
Reach reachability(const ClassRecord* super, uint32_t i) {
  Reach reach = kUnreachable;
  for (const ClassRecord* c = super; c != nullptr; c = c->superClass.get()) {
    const ClassInfo* info = c->classInfo.get();
    if (i >= info->vtableLength || info->vtable[i] == 0) continue;
    const MethodRecord* e = method(info->vtable[i]);
    if (isPublicOrProtected(e)) return kPublicOrProtected;
    if (vsMethod_isPackagePrivate(e)) reach = kPackagePrivate;
  }
  return reach;
}

// Places the methods over the superclass's table; with `table` (of
// `length` entries), writes the entries (the inherited ones first). Returns
// the number of new entries.
uint32_t placeMethods(const ClassRecord* super, const ObjectArray* methods, const VmSymbol* className,
                      bool finalClass, VmWord* table, uint32_t length) {
  const ClassInfo* superInfo = super != nullptr ? super->classInfo.get() : nullptr;
  const uint32_t inherited = superInfo != nullptr ? superInfo->vtableLength : 0;
  if (table != nullptr)
    for (uint32_t i = 0; i < inherited; ++i) vsJavaHeap_storeReference(&table[i], superInfo->vtable[i]);
  uint32_t added = 0;
  for (int32_t k = 0; methods != nullptr && k < methods->length; ++k) {
    const VmRef m = methods->elements[k];
    const MethodRecord* mr = method(m);
    if (vsMember_isStatic(mr) || isInitializer(mr)) continue;
    bool needsNew = (mr->accessFlags & kMethodFinal) == 0 && !finalClass;
    if (superInfo != nullptr && !vsMethod_isPrivate(mr)) {
      const VmRef name = vsMethod_name(mr);
      const VmRef signature = vsMethod_signature(mr);
      bool served = false;
      for (uint32_t i = 0; i < inherited; ++i) {
        const VmRef e = superInfo->vtable[i];
        if (e == 0 || !vsMethod_matchesNameAndSignature(method(e), name, signature)) continue;
        const MethodRecord* er = method(e);
        const bool samePackage = vsName_samePackage(className, holderName(er));
        if (vsMethod_isPrivate(er) || (vsMethod_isPackagePrivate(er) && !samePackage)) continue;
        if (table != nullptr) vsJavaHeap_storeReference(&table[i], m);
        const Reach reach = reachability(super, i);
        if ((reach == kPublicOrProtected && isPublicOrProtected(mr)) ||
            (reach == kPackagePrivate && vsMethod_isPackagePrivate(mr) && samePackage))
          served = true;
      }
      if (served) needsNew = false;
    }
    if (!needsNew) continue;
    if (table != nullptr && inherited + added < length) vsJavaHeap_storeReference(&table[inherited + added], m);
    ++added;
  }
  return added;
}

// The interfaces of the interface table, in order.
void tableInterfaces(const ClassRecord* super, VmRef interfaceList, ClassIdSet* set) {
  vsClassIdSet_clear(set);
  if (super != nullptr) {
    const ClassInfo* info = super->classInfo.get();
    for (uint32_t i = 0; i < info->itableLength; ++i) vsClassIdSet_add(set, info->vtable[info->vtableLength + 2 * i]);
  }
  if (interfaceList == 0) return;
  const ShortArray* ids = vsRef_as<ShortArray>(interfaceList);
  for (int32_t i = 0; i < ids->length; ++i) vsClassIdSet_add(set, static_cast<uint16_t>(ids->elements[i]));
}

int32_t methodCount(const ClassRecord* cls) {
  const VmRef methods = vsClass_methods(cls);
  return methods != 0 ? vsRef_as<ObjectArray>(methods)->length : 0;
}

// The implementation of interface method im that slot `slot` of the table
// gets, possibly a generated method; 0 with an exception pending when the
// generation fails, else stored.
bool fillSlot(const VmRef* cls, const VmRef* im, uint32_t slot, bool abstractClass) {
  const ClassRecord* c = vsRef_as<ClassRecord>(*cls);
  VmRef impl = vsClass_findMethod(c, vsMethod_name(method(*im)), vsMethod_signature(method(*im)));
  if (!abstractClass) {
    if (impl == 0 || vsMember_isStatic(method(impl)))
      impl = vsMethod_makeNativeCopy(im, vsNative_interfaceMethodMissingBody);
    else if (!vsMethod_isPublic(method(impl)))
      impl = vsMethod_makeNativeCopy(im, vsNative_interfaceMethodNotPublicBody);
    if (impl == 0) return false;
  }
  ClassInfo* info = vsRef_as<ClassRecord>(*cls)->classInfo.get();
  vsJavaHeap_storeReference(&info->vtable[slot], impl);
  return true;
}

bool providedBy(const ObjectArray* methods, VmRef name, VmRef signature) {
  for (int32_t i = 0; methods != nullptr && i < methods->length; ++i)
    if (methods->elements[i] != 0 && vsMethod_matchesNameAndSignature(method(methods->elements[i]), name, signature))
      return true;
  return false;
}

bool publicInVtable(const ClassRecord* super, VmRef name, VmRef signature) {
  const ClassInfo* info = super->classInfo.get();
  for (uint32_t i = 0; i < info->vtableLength; ++i) {
    const VmRef e = info->vtable[i];
    if (e != 0 && vsMethod_isPublic(method(e)) && vsMethod_matchesNameAndSignature(method(e), name, signature))
      return true;
  }
  return false;
}

// Whether interface method k of interface number `at` of the list needs a
// generated method in the class.
bool isMissing(const ObjectArray* own, const ClassRecord* super, const ShortArray* list, int32_t at,
               const MethodRecord* im) {
  if (vsMember_isStatic(im)) return false;
  const VmRef name = vsMethod_name(im);
  const VmRef signature = vsMethod_signature(im);
  if (providedBy(own, name, signature) || publicInVtable(super, name, signature) ||
      vsClass_findMethod(super, name, signature) != 0)
    return false;
  for (int32_t j = 0; j < at; ++j) {
    const ClassRecord* earlier = vsClass_byId(static_cast<uint16_t>(list->elements[j]));
    if (earlier != nullptr && vsClass_findMethodInClass(earlier, name, signature) != 0) return false;
  }
  return true;
}

}  // namespace

uint32_t vsClass_countVirtualEntries(const ClassRecord* super, VmRef methods, VmRef className, bool finalClass) {
  return placeMethods(super, methods != 0 ? vsRef_as<ObjectArray>(methods) : nullptr, vsRef_as<VmSymbol>(className),
                      finalClass, nullptr, 0);
}

void vsClass_fillVirtualTable(ClassRecord* cls) {
  ClassInfo* info = cls->classInfo.get();
  const VmRef methods = info->methods;
  placeMethods(cls->superClass.get(), methods != 0 ? vsRef_as<ObjectArray>(methods) : nullptr, info->name.get(),
               (info->accessFlags & kClassFinal) != 0, info->vtable, info->vtableLength);
}

uint32_t vsClass_interfaceTableWords(const ClassRecord* super, VmRef interfaceList, uint32_t* interfaceCount) {
  ClassIdSet set;
  tableInterfaces(super, interfaceList, &set);
  uint32_t words = 2 * set.count;
  for (uint32_t i = 0; i < set.count; ++i) {
    const ClassRecord* iface = vsClass_byId(set.ids[i]);
    if (iface != nullptr) words += static_cast<uint32_t>(methodCount(iface));
  }
  *interfaceCount = set.count;
  return words;
}

int32_t vsClass_fillInterfaceTable(const VmRef* cls) {
  ClassIdSet set;
  const ClassRecord* c = vsRef_as<ClassRecord>(*cls);
  tableInterfaces(c->superClass.get(), vsClass_localInterfaces(c), &set);
  const bool abstractClass = (c->classInfo->accessFlags & kClassAbstract) != 0;
  const uint32_t vtableLength = c->classInfo->vtableLength;
  uint32_t slot = vtableLength + 2 * set.count;
  for (uint32_t k = 0; k < set.count; ++k) {
    ClassInfo* info = vsRef_as<ClassRecord>(*cls)->classInfo.get();
    info->vtable[vtableLength + 2 * k] = set.ids[k];
    info->vtable[vtableLength + 2 * k + 1] = kClassInfoFixedBytes + 4 * slot;
    const ClassRecord* iface = vsClass_byId(set.ids[k]);
    const int32_t count = iface != nullptr ? methodCount(iface) : 0;
    for (int32_t i = 0; i < count; ++i, ++slot) {
      VmHandle im;
      vsHandle_push(&im, vsClass_methodAt(vsClass_byId(set.ids[k]), i));
      const bool filled = fillSlot(cls, &im.object, slot, abstractClass);
      vsHandle_close(&im);
      if (!filled) return 0;
    }
  }
  return 1;
}

VmRef vsClass_addMissingInterfaceMethods(const VmRef* methods, const ClassRecord* super, VmRef interfaceList) {
  const int32_t listed = interfaceList != 0 ? vsRef_as<ShortArray>(interfaceList)->length : 0;
  if (listed == 0) return *methods;
  if (super == nullptr) vsVm_fatalErrorCode(kFatalInconsistency);
  VmHandle list;
  VmHandle superHandle;
  vsHandle_push(&list, interfaceList);
  vsHandle_push(&superHandle, vsRef_of(super));
  // First count, then allocate once and fill.
  int32_t missing = 0;
  for (int32_t at = 0; at < listed; ++at) {
    const ClassRecord* iface = vsClass_byId(static_cast<uint16_t>(vsRef_as<ShortArray>(list.object)->elements[at]));
    for (int32_t i = 0; iface != nullptr && i < methodCount(iface); ++i)
      if (isMissing(vsRef_as<ObjectArray>(*methods), super, vsRef_as<ShortArray>(list.object), at,
                    method(vsClass_methodAt(iface, i))))
        ++missing;
  }
  VmRef result = *methods;
  if (missing > 0) {
    const int32_t own = vsRef_as<ObjectArray>(*methods)->length;
    VmHandle grown;
    vsHandle_push(&grown, vsJavaHeap_newObjectArray(own + missing));
    result = grown.object;
    for (int32_t i = 0; result != 0 && i < own; ++i)
      vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(grown.object)->elements[i],
                                vsRef_as<ObjectArray>(*methods)->elements[i]);
    int32_t next = own;
    for (int32_t at = 0; result != 0 && at < listed; ++at) {
      const uint16_t id = static_cast<uint16_t>(vsRef_as<ShortArray>(list.object)->elements[at]);
      for (int32_t i = 0; result != 0 && vsClass_byId(id) != nullptr && i < methodCount(vsClass_byId(id)); ++i) {
        VmHandle im;
        vsHandle_push(&im, vsClass_methodAt(vsClass_byId(id), i));
        if (isMissing(vsRef_as<ObjectArray>(*methods), vsRef_as<ClassRecord>(superHandle.object),
                      vsRef_as<ShortArray>(list.object), at, method(im.object))) {
          const VmRef copy = vsMethod_makeNativeCopy(&im.object, vsNative_abstractBody);
          if (copy == 0)
            result = 0;
          else
            vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(grown.object)->elements[next++], copy);
        }
        vsHandle_close(&im);
      }
    }
    if (result != 0) result = grown.object;
  }
  vsHandle_close(&list);
  return result;
}

int32_t vsClass_setStaticInitialValues(const VmRef* cls) {
  const VmRef fields = vsClass_fields(vsRef_as<ClassRecord>(*cls));
  const int32_t count = fields != 0 ? vsRef_as<ShortArray>(fields)->length / 5 : 0;
  VmHandle pool;
  vsHandle_push(&pool, vsRef_of(vsClass_constantPool(vsRef_as<ClassRecord>(*cls))));
  int32_t ok = 1;
  for (int32_t i = 0; i < count && ok != 0; ++i) {
    const FieldEntry f = reinterpret_cast<const FieldEntry*>(
        vsRef_as<ShortArray>(vsClass_fields(vsRef_as<ClassRecord>(*cls)))->elements)[i];
    if ((f.accessFlags & kMethodStatic) == 0 || f.constantValueIndex == 0) continue;
    const ConstantPool* p = vsRef_as<ConstantPool>(pool.object);
    const VmRef type = p->entries[f.signatureIndex];
    const int32_t basicType = vsType_basicType(type);
    const ClassRecord* fieldClass = basicType == kTypeObject ? vsSignature_classAt(vsRef_as<VmSymbol>(type)->bytes) : nullptr;
    const uint32_t index = f.constantValueIndex;
    if (!vsConstantPool_checkConstant(p, index, basicType, fieldClass)) {
      ok = 0;
      break;
    }
    VmWord* slot = vsRef_as<VmWord>(*cls + f.offset);
    if (basicType == kTypeLong || basicType == kTypeDouble) {
      slot[0] = p->entries[index];
      slot[1] = p->entries[index + 1];
    } else if (basicType == kTypeObject) {
      VmRef string = p->entries[index];
      if (vsConstantPool_tagAt(p, index) == kTagUnresolvedString) string = vsConstantPool_resolveString(&pool.object, index);
      if (string == 0) ok = 0;
      else vsJavaHeap_storeReference(vsRef_as<VmWord>(*cls + f.offset), string);
    } else {
      slot[0] = p->entries[index];
    }
  }
  vsHandle_close(&pool);
  return ok;
}
