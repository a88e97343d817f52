// Constant-pool entries (see constant_pool.h).
#include "vm/core/model/constant_pool.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"

namespace {

VmWord failBadEntry() {
  vsException_raiseWithCode(kVmErrorClass, kErrBadPoolEntry);
  return 0;
}

}  // namespace

uint8_t vsConstantPool_tagAt(const ConstantPool* pool, uint32_t index) {
  return static_cast<uint8_t>(vsRef_as<ByteArray>(pool->tags)->elements[index]);
}

VmWord vsConstantPool_checkedEntry(const ConstantPool* pool, uint32_t index, uint8_t tag) {
  if (index >= pool->count || vsConstantPool_tagAt(pool, index) != tag) return failBadEntry();
  return pool->entries[index];
}

ClassRecord* vsConstantPool_classAt(const ConstantPool* pool, uint32_t index) {
  if (index >= pool->count || vsConstantPool_tagAt(pool, index) != kTagResolvedClass) {
    failBadEntry();
    return nullptr;
  }
  return vsClass_byId(pool->entries[index]);
}

VmWord vsConstantPool_nameAndTypeAt(const ConstantPool* pool, uint32_t index) {
  return vsConstantPool_checkedEntry(pool, index, kTagNameAndType);
}

VmWord vsConstantPool_unresolvedClassAt(const ConstantPool* pool, uint32_t index) {
  return vsConstantPool_checkedEntry(pool, index, kTagUnresolvedClass);
}

VmWord vsConstantPool_classFileClassAt(const ConstantPool* pool, uint32_t index) {
  return vsConstantPool_checkedEntry(pool, index, kTagClassFileClass);
}

int32_t vsConstantPool_entryLow(const ConstantPool* pool, uint32_t index) {
  return static_cast<int32_t>(pool->entries[index] & 0xffff);
}

int32_t vsConstantPool_entryHigh(const ConstantPool* pool, uint32_t index) {
  return static_cast<int32_t>(pool->entries[index] >> 16);
}

int32_t vsConstantPool_resolvedRefAt(const ConstantPool* pool, uint32_t index, int32_t* low,
                                     int32_t* high) {
  *low = vsConstantPool_entryLow(pool, index);
  *high = vsConstantPool_entryHigh(pool, index);
  return vsConstantPool_tagAt(pool, index) - 24;
}

void vsConstantPool_setEntry(ConstantPool* pool, uint32_t index, uint8_t tag, VmWord value) {
  vsRef_as<ByteArray>(pool->tags)->elements[index] = static_cast<int8_t>(tag);
  if (vsPoolTag_holdsReference(tag))
    vsJavaHeap_storeReference(&pool->entries[index], value);
  else
    pool->entries[index] = value;
}

bool vsConstantPool_checkConstant(const ConstantPool* pool, uint32_t index, int32_t basicType,
                                  const ClassRecord* fieldClass) {
  bool fits = false;
  if (index < pool->count) {
    const uint8_t tag = vsConstantPool_tagAt(pool, index);
    switch (basicType) {
      case kTypeBoolean:
      case kTypeChar:
      case kTypeByte:
      case kTypeShort:
      case kTypeInt:
        fits = tag == kTagInt;
        break;
      case kTypeFloat:
        fits = tag == kTagFloat;
        break;
      case kTypeDouble:
        fits = tag == kTagDouble;
        break;
      case kTypeLong:
        fits = tag == kTagLong;
        break;
      case kTypeObject:
        fits = (tag == kTagResolvedString || tag == kTagUnresolvedString) &&
               vsRef_of(fieldClass) == vsRoot(kRootString);
        break;
      default:
        break;
    }
  }
  if (!fits) failBadEntry();
  return fits;
}

bool vsConstantPool_isClassEntry(const ConstantPool* pool, uint32_t index) {
  return index < pool->count && vsPoolTag_isClass(vsConstantPool_tagAt(pool, index));
}
