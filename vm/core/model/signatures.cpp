// Encoded signatures (see signatures.h).
#include "vm/core/model/signatures.h"

#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/object_helpers.h"

namespace {

const uint8_t* bytesOf(VmRef signature) { return vsRef_as<VmSymbol>(signature)->bytes; }

// The type, class id and length of the item at p.
void readItem(const uint8_t* p, bool objectTypesOnly, int32_t* type, int32_t* classId, uint32_t* bytes) {
  if ((p[0] & 0x80) == 0) {
    *type = vsBasicType_ofLetter(p[0]);
    *classId = -1;
    *bytes = 1;
    return;
  }
  *classId = static_cast<int32_t>((p[0] & 127) * 128 + (p[1] & 127));
  *type = objectTypesOnly ? kTypeObject : vsSignature_objectTypeAt(p);
  *bytes = 2;
}

uint32_t resultBytes(const uint8_t* bytes) { return (bytes[2] & 0x80) != 0 ? 2 : 1; }

VmRef classNameOf(int32_t classId) {
  if (classId < 0) return 0;
  const ClassRecord* cls = vsClass_byId(static_cast<uint32_t>(classId));
  return cls != nullptr ? vsRef_of(vsClass_name(cls)) : 0;
}

void readCurrent(SignatureIterator* it) {
  const uint8_t* bytes = bytesOf(*it->signature);
  if (it->index > it->parameterCount) {
    readItem(bytes + 2, it->objectTypesOnly != 0, &it->type, &it->classId, &it->itemBytes);
    return;
  }
  readItem(bytes + it->position, it->objectTypesOnly != 0, &it->type, &it->classId, &it->itemBytes);
}

}  // namespace

void vsSignatureIterator_init(SignatureIterator* it, const VmRef* signature, bool isStatic,
                              bool objectTypesOnly) {
  it->signature = signature;
  it->parameterCount = vsSignature_parameterCount(*signature);
  it->position = 2 + resultBytes(bytesOf(*signature));
  it->objectTypesOnly = objectTypesOnly ? 1 : 0;
  if (!isStatic) {
    it->index = 0;
    it->type = kTypeObject;
    it->classId = -1;
    it->itemBytes = 0;
    return;
  }
  it->index = 1;
  readCurrent(it);
}

void vsSignatureIterator_next(SignatureIterator* it) {
  if (vsSignatureIterator_atEnd(it)) return;
  it->position += it->itemBytes;
  ++it->index;
  readCurrent(it);
}

bool vsSignatureIterator_atEnd(const SignatureIterator* it) { return it->index > it->parameterCount; }

VmRef vsSignatureIterator_className(const SignatureIterator* it) { return classNameOf(it->classId); }

int32_t vsSignature_itemWords(int32_t type) {
  if (type == kTypeDouble || type == kTypeLong) return 2;
  return type == kTypeVoid ? 0 : 1;
}

int32_t vsSignature_parameterCount(VmRef signature) {
  const uint8_t* bytes = bytesOf(signature);
  return (bytes[0] & 127) * 128 + (bytes[1] & 127);
}

int32_t vsSignature_parameterWords(VmRef signature, bool isStatic) {
  VmRef held = signature;
  SignatureIterator it;
  vsSignatureIterator_init(&it, &held, isStatic, true);
  int32_t words = 0;
  for (; !vsSignatureIterator_atEnd(&it); vsSignatureIterator_next(&it)) words += vsSignature_itemWords(it.type);
  return words;
}

int32_t vsSignature_basicType(VmRef signature, bool objectTypesOnly) {
  int32_t type;
  int32_t classId;
  uint32_t bytes;
  readItem(bytesOf(signature) + 2, objectTypesOnly, &type, &classId, &bytes);
  return type;
}

VmRef vsSignature_returnClassName(VmRef signature) {
  int32_t type;
  int32_t classId;
  uint32_t bytes;
  readItem(bytesOf(signature) + 2, true, &type, &classId, &bytes);
  return classNameOf(classId);
}
