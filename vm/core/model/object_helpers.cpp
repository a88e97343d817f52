// Record helpers (see object_helpers.h).
#include "vm/core/model/object_helpers.h"

#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/roots.h"

void vsObject_storeReferenceAt(VmRef object, uint32_t byteOffset, VmRef value) {
  vsJavaHeap_storeReference(vsWord_toPointer<VmWord>(object + byteOffset), value);
}

void vsObject_storeByteAt(VmRef object, uint32_t byteOffset, uint8_t value) {
  *vsWord_toPointer<uint8_t>(object + byteOffset) = value;
}

void vsClassInfo_setLocalInterfaces(ClassInfo* info, VmRef interfaces) {
  vsJavaHeap_storeReference(&info->localInterfaces, interfaces);
}

VmWord* vsRecord_blockWordAt(VmRef record, uint32_t i) {
  return vsWord_toPointer<VmWord>(vsRef_as<VmWord>(record)[3]) + i;
}

uint32_t vsBytes_swap32(uint32_t value) {
  return value >> 24 | (value >> 8 & 0xff00) | (value << 8 & 0xff0000) | value << 24;
}

uint8_t vsBytes_lowByte(uint16_t value) { return static_cast<uint8_t>(value); }

uint8_t vsBytes_highByte(uint16_t value) { return static_cast<uint8_t>(value >> 8); }

uint16_t vsBytes_readU16(const uint8_t* p) {
  uint16_t v;
  __builtin_memcpy(&v, p, 2);
  return v;
}

void vsClassLookup_init(ClassLookup* lookup, VmRef* nameHandle, int32_t kind, int32_t stub,
                        VmWord classFileBytes) {
  lookup->name = nameHandle;
  lookup->kind = kind;
  lookup->stub = stub;
  lookup->classFileBytes = classFileBytes;
}

ClassRecord* vsSignature_classAt(const uint8_t* p) {
  return vsClass_byId(static_cast<uint32_t>(p[0] & 127) * 128 + (p[1] & 127));
}

int32_t vsSignature_objectTypeAt(const uint8_t* p) {
  const ClassRecord* cls = vsSignature_classAt(p);
  return cls != nullptr && vsClass_isArrayClass(cls) ? kTypeArray : kTypeObject;
}

VmRef vsObject_fillerNear() { return vsRoot(kRootSymbolClass); }

void vsArgumentBlock_setReference(ArgumentBlock* block, uint32_t i, VmRef value) {
  block->entries[i].type = kArgumentTypeReference;
  vsJavaHeap_storeReference(&block->entries[i].value, value);
}

void vsArgumentBlock_setWord(ArgumentBlock* block, uint32_t i, VmWord value, VmWord type) {
  block->entries[i].type = type;
  block->entries[i].value = value;
}
