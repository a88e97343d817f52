// Accessors over method records (see method_access.h).
#include "vm/core/model/method_access.h"

#include <cstring>

#include "vm/core/model/class_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"

namespace {

bool insideJavaHeap(VmWord address) {
  return address - vsVmGlobals.heapLow < vsVmGlobals.heapHigh - vsVmGlobals.heapLow;
}

bool hasFlag(const MethodRecord* m, uint16_t flag) { return (m->accessFlags & flag) != 0; }

}  // namespace

void vsMethod_accessFlags(const VmRef* method, uint16_t* out) {
  *out = vsRef_as<MethodRecord>(*method)->accessFlags;
}

ClassRecord* vsMethod_holderClass(const MethodRecord* method) {
  return vsClass_byId(method->classId);
}

ConstantPool* vsMethod_constantPool(const MethodRecord* method) {
  if (!insideJavaHeap(vsRef_of(method)) && hasFlag(method, kMethodMergedPool))
    return vsRef_as<ConstantPool>(vsVmGlobals.mergedPool);
  return method->constantPool.get();
}

VmRef vsMethod_stackmap(const MethodRecord* method) {
  return hasFlag(method, kMethodNoStackMap) ? 0 : method->stackMap;
}

VmRef vsMethod_exceptionTable(const MethodRecord* method) {
  if (hasFlag(method, kMethodNoExceptionTable) || method->exceptionTable == 0)
    return vsRoot(kRootEmptyExceptionTable);
  return method->exceptionTable;
}

bool vsMethod_isNative(const MethodRecord* method) { return hasFlag(method, kMethodNative); }

bool vsMethod_isAbstract(const MethodRecord* method) { return hasFlag(method, kMethodAbstract); }

bool vsMethod_isPublic(const MethodRecord* method) { return hasFlag(method, kMethodPublic); }

bool vsMethod_isPrivate(const MethodRecord* method) { return hasFlag(method, kMethodPrivate); }

bool vsMethod_isProtected(const MethodRecord* method) { return hasFlag(method, kMethodProtected); }

bool vsMethod_isPackagePrivate(const MethodRecord* method) {
  return !hasFlag(method, kMethodAccessBits);
}

bool vsMethod_isNativeWithoutCode(const MethodRecord* method) {
  return method->codeLength == 0 && hasFlag(method, kMethodNative);
}

bool vsMethod_isCompiled(const MethodRecord* method) {
  return insideJavaHeap(*method->entryWord.get());
}

bool vsMember_isStatic(const MethodRecord* member) { return hasFlag(member, kMethodStatic); }

uint8_t vsMethod_codeByteAt(const MethodRecord* method, uint32_t offset) {
  return method->code[offset];
}

uint16_t vsMethod_codeU2At(const MethodRecord* method, uint32_t offset) {
  return static_cast<uint16_t>(method->code[offset] << 8 | method->code[offset + 1]);
}

int32_t vsMethod_codeIntAt(const MethodRecord* method, uint32_t offset) {
  int32_t value;
  std::memcpy(&value, method->code + offset, 4);
  return value;
}

void vsMethod_setCodeIntAt(MethodRecord* method, uint32_t offset, int32_t value) {
  std::memcpy(method->code + offset, &value, 4);
}

int32_t vsMethod_codeBigEndianIntAt(const MethodRecord* method, uint32_t offset) {
  const uint8_t* p = method->code + offset;
  return static_cast<int32_t>(uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
}

void vsMethod_setCodeBigEndianIntAt(MethodRecord* method, uint32_t offset, int32_t value) {
  uint8_t* p = method->code + offset;
  const uint32_t v = static_cast<uint32_t>(value);
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

const uint8_t* vsMethod_codeEnd(const MethodRecord* method) {
  return method->code + method->codeLength;
}

VmWord* vsMethod_nativeAddressSlot(MethodRecord* method) {
  return reinterpret_cast<VmWord*>(method->code + 4);
}

int32_t vsMethod_findInVtable(const MethodRecord* method) {
  const ClassRecord* holder = vsMethod_holderClass(method);
  if (holder == nullptr) return -1;
  const ClassInfo* ci = holder->classInfo.get();
  const VmRef self = vsRef_of(method);
  for (uint32_t i = 0; i < ci->vtableLength; ++i)
    if (ci->vtable[i] == self) return static_cast<int32_t>(i);
  return -1;
}

void vsMethod_copyHead(MethodRecord* to, const MethodRecord* from) {
  to->accessFlags = from->accessFlags;
  to->classId = from->classId;
  to->maxStack = from->maxStack;
  to->maxLocals = from->maxLocals;
  to->parameterWords = from->parameterWords;
  to->nameIndex = from->nameIndex;
  to->signatureIndex = from->signatureIndex;
}
