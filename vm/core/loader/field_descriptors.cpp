// Field lookup and access (see field_descriptors.h).
#include "vm/core/loader/field_descriptors.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/loader/type_symbols.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/names.h"

namespace {


const ClassRecord* rec(VmRef r) { return vsRef_as<ClassRecord>(r); }

const FieldEntry* entriesOf(const ClassRecord* cls, int32_t* count) {
  const VmRef fields = vsClass_fields(cls);
  *count = fields != 0 ? vsRef_as<ShortArray>(fields)->length / 5 : 0;
  return fields != 0 ? reinterpret_cast<const FieldEntry*>(vsRef_as<ShortArray>(fields)->elements) : nullptr;
}

VmRef poolEntry(const vsFieldDesc* desc, uint32_t index) {
  const ConstantPool* pool = vsClass_constantPool(rec(desc->cls));
  return pool != nullptr && index < pool->count ? pool->entries[index] : 0;
}

// The first field of the class itself with the name and signature.
bool findIn(vsFieldDesc* desc, const ClassRecord* cls, VmRef name, VmRef signature) {
  int32_t count;
  entriesOf(cls, &count);
  for (int32_t i = 0; i < count; ++i) {
    vsFieldDesc_init(desc, cls, i);
    if (vsFieldDesc_matches(desc, name, signature)) return true;
  }
  desc->index = -1;
  return false;
}

bool isSubclass(const ClassRecord* sub, const ClassRecord* ancestor) {
  for (const ClassRecord* c = sub; c != nullptr; c = c->superClass.get())
    if (c == ancestor) return true;
  return false;
}

}  // namespace

void vsFieldDesc_init(vsFieldDesc* desc, const ClassRecord* cls, int32_t index) {
  int32_t count;
  const FieldEntry* entries = entriesOf(cls, &count);
  desc->cls = vsRef_of(cls);
  desc->index = index;
  const FieldEntry& f = entries[index];
  desc->accessFlags = f.accessFlags;
  desc->nameIndex = f.nameIndex;
  desc->signatureIndex = f.signatureIndex;
  desc->offset = f.offset;
}

bool vsFieldDesc_matches(const vsFieldDesc* desc, VmRef name, VmRef signature) {
  return vsFieldDesc_name(desc) == name && vsFieldDesc_signature(desc) == signature;
}

VmRef vsFieldDesc_name(const vsFieldDesc* desc) { return poolEntry(desc, desc->nameIndex); }

VmRef vsFieldDesc_signature(const vsFieldDesc* desc) { return poolEntry(desc, desc->signatureIndex); }

int32_t vsFieldDesc_basicType(const vsFieldDesc* desc) { return vsType_basicType(vsFieldDesc_signature(desc)); }

bool vsField_find(vsFieldDesc* desc, const ClassRecord* cls, VmRef name, VmRef signature) {
  desc->index = -1;
  for (const ClassRecord* c = cls; c != nullptr; c = c->superClass.get()) {
    if (findIn(desc, c, name, signature)) return true;
    const VmRef list = vsClass_localInterfaces(c);
    const ShortArray* ids = list != 0 ? vsRef_as<ShortArray>(list) : nullptr;
    for (int32_t i = 0; ids != nullptr && i < ids->length; ++i) {
      const ClassRecord* iface = vsClass_byId(static_cast<uint16_t>(ids->elements[i]));
      if (iface != nullptr && findIn(desc, iface, name, signature)) return true;
    }
  }
  return false;
}

bool vsField_checkAccess(const vsFieldDesc* desc, const ClassRecord* accessing, const ClassRecord* objectClass,
                         int32_t errorCode) {
  const ClassRecord* holder = rec(desc->cls);
  if ((desc->accessFlags & kFieldPublic) != 0 || holder == accessing) return true;
  const bool samePackage = vsName_samePackage(vsClass_name(holder), vsClass_name(accessing));
  if ((desc->accessFlags & kFieldPrivate) == 0 && samePackage) return true;
  if ((desc->accessFlags & kFieldProtected) != 0 && isSubclass(accessing, holder) &&
      (isSubclass(objectClass, accessing) || isSubclass(accessing, objectClass)))
    return true;
  vsException_raiseWithCode(kVmErrorClass, errorCode);
  return false;
}
