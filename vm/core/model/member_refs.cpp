// Member-reference checks (see member_refs.h).
#include "vm/core/model/member_refs.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/model_flags.h"

namespace {

int32_t fail() {
  vsException_raiseWithCode(kVmErrorClass, kErrBadPoolEntry);
  return 0;
}

bool hasTag(const ConstantPool* pool, uint32_t index, uint8_t tag) {
  return index < pool->count && vsConstantPool_tagAt(pool, index) == tag;
}

bool isMemberRefEntry(const ConstantPool* pool, uint32_t index) {
  return index < pool->count && vsConstantPool_isMemberRef(vsConstantPool_tagAt(pool, index));
}

}  // namespace

uint8_t* vsConstantPool_getTagInto(const VmRef* pool, uint8_t* out, uint32_t index) {
  *out = vsConstantPool_tagAt(vsRef_as<ConstantPool>(*pool), index);
  return out;
}

bool vsConstantPool_isMemberRef(uint8_t tag) {
  return tag == kTagFieldRef || tag == kTagMethodRef || tag == kTagInterfaceMethodRef;
}

uint32_t vsConstantPool_memberRefNameAndType(const VmRef* pool, uint32_t index) {
  const ConstantPool* p = vsRef_as<ConstantPool>(*pool);
  if (!isMemberRefEntry(p, index)) return static_cast<uint32_t>(fail());
  const uint32_t nameAndType = p->entries[index] >> 16;
  if (!hasTag(p, nameAndType, kTagNameAndType)) return static_cast<uint32_t>(fail());
  return nameAndType;
}

int32_t vsConstantPool_memberRefParts(const VmRef* pool, uint32_t index, VmRef* name,
                                      VmRef* signature, VmRef* cls, VmRef* className) {
  const ConstantPool* p = vsRef_as<ConstantPool>(*pool);
  if (!isMemberRefEntry(p, index)) return fail();
  const uint32_t nameAndType = p->entries[index] >> 16;
  const uint32_t classIndex = p->entries[index] & 0xffff;
  if (!hasTag(p, nameAndType, kTagNameAndType)) return fail();
  if (!vsConstantPool_isClassEntry(p, classIndex)) return fail();
  const uint32_t nameIndex = p->entries[nameAndType] & 0xffff;
  const uint32_t signatureIndex = p->entries[nameAndType] >> 16;
  if (!hasTag(p, nameIndex, kTagUtf8) || !hasTag(p, signatureIndex, kTagUtf8)) return fail();
  const uint8_t classTag = vsConstantPool_tagAt(p, classIndex);
  VmRef classNameSymbol = 0;
  if (classTag == kTagUnresolvedClass) {
    classNameSymbol = p->entries[classIndex];
  } else if (classTag == kTagClassFileClass) {
    // Still the class file's form: the entry is the index of the name.
    const uint32_t utf8 = p->entries[classIndex];
    if (!hasTag(p, utf8, kTagUtf8)) return fail();
    classNameSymbol = p->entries[utf8];
  } else {
    ClassRecord* resolved = vsClass_byId(p->entries[classIndex]);
    if (resolved == nullptr) return fail();
    if (cls != nullptr) {
      *cls = vsRef_of(resolved);
    } else {
      classNameSymbol = vsRef_of(vsClass_name(resolved));
    }
  }
  *name = p->entries[nameIndex];
  *signature = p->entries[signatureIndex];
  if (classNameSymbol != 0) {
    *className = classNameSymbol;
    if (cls != nullptr) *cls = 0;
  }
  return 1;
}
