// Resolution of class and field entries (see pool_resolution.h).
//
// A resolved field entry is checked again on every later resolution, by
// finding the holder's field at the stored offset: an instance field and a
// static field of one class may share a byte offset (one in the instance,
// one in the class record), so the field of the expected static-ness is
// taken first, and only when the holder has none at that offset is the
// entry a static-ness mismatch.
#include "vm/core/interp/pool_resolution.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/pool_strings.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/loader/field_descriptors.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/member_refs.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/vm_globals.h"

namespace {


// Set only while vsConstantPool_tryResolveField runs.
VS_VMBSS(int32_t) gResolveWithoutLoading;

const ConstantPool* poolOf(const VmRef* pool) { return vsRef_as<ConstantPool>(*pool); }

VmRef badEntry() {
  vsException_raiseWithCode(kVmErrorClass, kErrBadPoolEntry);
  return 0;
}

// A UTF-8 index, checked; 0 after error 91.
uint32_t utf8Index(const VmRef* pool, uint32_t index) {
  const ConstantPool* p = poolOf(pool);
  return index < p->count && vsConstantPool_tagAt(p, index) == kTagUtf8 ? index : badEntry();
}

bool waivesAccessChecks(const ClassRecord* cls) {
  uint32_t flags = 0;
  const VmRef held = vsRef_of(cls);
  vsClass_accessFlags(&held, &flags);
  return (flags & kClassAccessChecksWaived) != 0;
}

bool isStatic(uint32_t fieldFlags) { return (fieldFlags & kFieldStatic) != 0; }

// Static-ness and final-store checks shared by fresh and resolved entries.
bool checkFieldUse(const vsFieldDesc* field, bool expectStatic, bool isGet, const ClassRecord* accessing) {
  if (!isGet && (field->accessFlags & kFieldFinal) != 0 && vsRef_as<ClassRecord>(field->cls) != accessing) {
    vsException_raiseWithCode(kVmErrorClass, kErrAccessDenied);
    return false;
  }
  if (isStatic(field->accessFlags) != expectStatic) {
    vsException_raiseWithCode(kVmErrorClass, kErrFieldStaticness);
    return false;
  }
  return true;
}

// The holder's field at the byte offset, of the expected static-ness when
// there is one; false when the holder has no field at that offset.
bool findByOffset(vsFieldDesc* desc, const ClassRecord* holder, uint32_t offset, bool expectStatic) {
  const VmRef fields = vsClass_fields(holder);
  const int32_t count = fields != 0 ? vsRef_as<ShortArray>(fields)->length / 5 : 0;
  bool found = false;
  for (int32_t i = 0; i < count; ++i) {
    vsFieldDesc field;
    vsFieldDesc_init(&field, holder, i);
    if (field.offset != offset) continue;
    if (!found || isStatic(field.accessFlags) == expectStatic) *desc = field;
    found = true;
    if (isStatic(field.accessFlags) == expectStatic) break;
  }
  return found;
}

int32_t resolvedField(const VmRef* pool, uint32_t index, uint32_t* offset, bool expectStatic, bool isGet,
                      const VmRef* accessing, ClassRecord** holder) {
  const ConstantPool* p = poolOf(pool);
  const VmWord entry = p->entries[index];
  ClassRecord* cls = vsClass_byId(entry & 0xffff);
  const uint32_t fieldOffset = entry >> 16;
  const ClassRecord* accessor = vsRef_as<ClassRecord>(*accessing);
  if (cls == nullptr) {
    badEntry();
    return kTypeNotPrimitive;
  }
  if (!waivesAccessChecks(accessor)) {
    vsFieldDesc field;
    if (!findByOffset(&field, cls, fieldOffset, expectStatic)) {
      badEntry();
      return kTypeNotPrimitive;
    }
    if (!checkFieldUse(&field, expectStatic, isGet, accessor)) return kTypeNotPrimitive;
  }
  *offset = fieldOffset;
  *holder = cls;
  return vsConstantPool_tagAt(p, index) - kTagResolvedFieldBase;
}

}  // namespace

ClassRecord* vsConstantPool_resolveClass(const VmRef* pool, uint32_t index) {
  const ConstantPool* p = poolOf(pool);
  if (index >= p->count || !vsPoolTag_isClass(vsConstantPool_tagAt(p, index))) {
    badEntry();
    return nullptr;
  }
  if (vsConstantPool_tagAt(p, index) == kTagResolvedClass) return vsClass_byId(p->entries[index]);
  VmHandle name;
  vsHandle_push(&name, vsConstantPool_className(pool, index));
  VmRef cls = 0;
  if (gResolveWithoutLoading != 0) {
    cls = vsClass_findLoaded(name.object);
    if (cls == 0) vsException_raiseWithCode(kVmErrorClass, kErrClassNotLoaded);
  } else if (name.object != 0) {
    ClassLookup lookup;
    vsClassLookup_init(&lookup, &name.object, 1, 0, 0);
    cls = vsClass_findOrLoad(&lookup);
  }
  vsHandle_close(&name);
  if (cls == 0) return nullptr;
  ClassRecord* record = vsRef_as<ClassRecord>(cls);
  vsConstantPool_setEntry(vsRef_as<ConstantPool>(*pool), index, kTagResolvedClass, vsClass_id(record));
  return record;
}

ClassRecord* vsConstantPool_lookupLoadedClass(const VmRef* pool, uint32_t index) {
  const ConstantPool* p = poolOf(pool);
  if (index >= p->count) return nullptr;
  const uint8_t tag = vsConstantPool_tagAt(p, index);
  if (tag == kTagResolvedClass) return vsClass_byId(p->entries[index]);
  if (tag != kTagUnresolvedClass) return nullptr;
  const VmRef cls = vsClass_findLoaded(p->entries[index]);
  if (cls == 0) return nullptr;
  ClassRecord* record = vsRef_as<ClassRecord>(cls);
  vsConstantPool_setEntry(vsRef_as<ConstantPool>(*pool), index, kTagResolvedClass, vsClass_id(record));
  return record;
}

VmRef vsConstantPool_className(const VmRef* pool, uint32_t index) {
  const ConstantPool* p = poolOf(pool);
  if (index >= p->count) return badEntry();
  switch (vsConstantPool_tagAt(p, index)) {
    case kTagResolvedClass: {
      const ClassRecord* cls = vsClass_byId(p->entries[index]);
      return cls != nullptr ? vsRef_of(vsClass_name(cls)) : badEntry();
    }
    case kTagUnresolvedClass:
      return p->entries[index];
    case kTagClassFileClass:
      return vsConstantPool_internUtf8(pool, p->entries[index]);
    default:
      break;
  }
  return badEntry();
}

ClassRecord* vsConstantPool_resolveMemberClass(const VmRef* pool, uint32_t index) {
  VmRef name = 0, signature = 0, cls = 0, className = 0;
  if (vsConstantPool_memberRefParts(pool, index, &name, &signature, &cls, &className) == 0) return nullptr;
  return vsConstantPool_resolveClass(pool, poolOf(pool)->entries[index] & 0xffff);
}

uint32_t vsConstantPool_memberClassIndex(const VmRef* pool, uint32_t index) {
  const ConstantPool* p = poolOf(pool);
  if (index >= p->count || !vsConstantPool_isMemberRef(vsConstantPool_tagAt(p, index))) return badEntry();
  const uint32_t classIndex = p->entries[index] & 0xffff;
  return vsConstantPool_isClassEntry(p, classIndex) ? classIndex : badEntry();
}

uint32_t vsConstantPool_nameIndex(const VmRef* pool, uint32_t index) {
  const uint32_t nameAndType = vsConstantPool_memberRefNameAndType(pool, index);
  return nameAndType != 0 ? utf8Index(pool, poolOf(pool)->entries[nameAndType] & 0xffff) : 0;
}

uint32_t vsConstantPool_descriptorIndex(const VmRef* pool, uint32_t index) {
  const uint32_t nameAndType = vsConstantPool_memberRefNameAndType(pool, index);
  return nameAndType != 0 ? utf8Index(pool, poolOf(pool)->entries[nameAndType] >> 16) : 0;
}

void vsConstantPool_setTag(ConstantPool* pool, uint32_t index, uint8_t tag) {
  vsRef_as<ByteArray>(pool->tags)->elements[index] = static_cast<int8_t>(tag);
}

int32_t vsConstantPool_resolveField(const VmRef* pool, uint32_t index, uint32_t* offset, bool expectStatic,
                                    bool isGet, const VmRef* accessing, ClassRecord** holder) {
  const ConstantPool* p = poolOf(pool);
  if (index >= p->count) {
    badEntry();
    return kTypeNotPrimitive;
  }
  const uint8_t tag = vsConstantPool_tagAt(p, index);
  if (tag >= int32_t{kTagResolvedFieldBase} + kTypeBoolean && tag <= int32_t{kTagResolvedFieldBase} + kTypeArray)
    return resolvedField(pool, index, offset, expectStatic, isGet, accessing, holder);
  if (tag != kTagFieldRef) {
    badEntry();
    return kTypeNotPrimitive;
  }

  VmHandle referenced, name, signature;
  vsHandle_push(&referenced, vsRef_of(vsConstantPool_resolveMemberClass(pool, index)));
  vsHandle_pushEmpty(&name);
  vsHandle_pushEmpty(&signature);
  int32_t type = kTypeNotPrimitive;
  VmRef cls = 0, className = 0;
  vsFieldDesc field;
  if (referenced.object == 0 ||
      vsConstantPool_memberRefParts(pool, index, &name.object, &signature.object, &cls, &className) == 0) {
    // The error is pending.
  } else if (!vsField_find(&field, vsRef_as<ClassRecord>(referenced.object), name.object, signature.object)) {
    vsException_raiseWithCode(kVmErrorClass, kErrFieldMissing);
  } else {
    const ClassRecord* accessor = vsRef_as<ClassRecord>(*accessing);
    const ClassRecord* referencedClass = vsRef_as<ClassRecord>(referenced.object);
    if (vsField_checkAccess(&field, accessor, referencedClass, kErrAccessDenied) &&
        checkFieldUse(&field, expectStatic, isGet, accessor)) {
      ClassRecord* fieldHolder = vsRef_as<ClassRecord>(field.cls);
      type = vsFieldDesc_basicType(&field);
      vsConstantPool_setEntry(vsRef_as<ConstantPool>(*pool), index,
                              static_cast<uint8_t>(kTagResolvedFieldBase + type),
                              field.offset << 16 | vsClass_id(fieldHolder));
      *offset = field.offset;
      *holder = fieldHolder;
    }
  }
  vsHandle_close(&referenced);
  return type;
}

int32_t vsConstantPool_tryResolveField(const VmRef* method, uint32_t index, uint32_t* offset, int32_t* type,
                                       bool expectStatic, bool isGet) {
  const MethodRecord* m = vsRef_as<MethodRecord>(*method);
  VmHandle pool, accessing;
  vsHandle_push(&pool, vsRef_of(vsMethod_constantPool(m)));
  vsHandle_push(&accessing, vsRef_of(vsMethod_holderClass(m)));
  ClassRecord* holder = nullptr;
  gResolveWithoutLoading = 1;
  const int32_t found =
      vsConstantPool_resolveField(&pool.object, index, offset, expectStatic, isGet, &accessing.object, &holder);
  gResolveWithoutLoading = 0;
  vsHandle_close(&pool);
  if (vsException_isPending()) {
    vsPendingException() = 0;
    return 0;
  }
  *type = found;
  return 1;
}

int32_t vsMethod_isSimpleGetter(const VmRef* method, uint32_t* offset, int32_t* type) {
  const MethodRecord* m = vsRef_as<MethodRecord>(*method);
  if ((m->accessFlags & (kMethodSynchronized | kMethodHasMonitors)) != 0) return 0;
  if (m->parameterWords != 1 || m->codeLength != 5) return 0;
  if (m->code[0] != kOpAload0 || m->code[1] != kOpGetfield) return 0;
  if (m->code[4] < kOpIreturn || m->code[4] > kOpAreturn) return 0;
  return vsConstantPool_tryResolveField(method, vsMethod_codeU2At(m, 2), offset, type, false, true);
}
