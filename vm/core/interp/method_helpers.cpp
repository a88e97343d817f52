// Method helpers (see method_helpers.h).
#include "vm/core/interp/method_helpers.h"

#include <cstring>

#include "vm/core/interp/method_entries.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/signatures.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

// The holder id of a method that belongs to no class.
constexpr uint16_t kNoClassId = 0xffff;

VmRef entryAt(const MethodRecord* method, uint32_t index) {
  const ConstantPool* pool = vsMethod_constantPool(method);
  if (pool == nullptr || index >= pool->count) return 0;
  return pool->entries[index];
}

bool isZeroConstant(uint8_t op) { return op == kOpAconstNull || op == kOpIconst0 || op == kOpFconst0 || op == kOpDconst0; }

}  // namespace

VmRef vsMethod_name(const MethodRecord* method) { return entryAt(method, method->nameIndex); }

VmRef vsMethod_signature(const MethodRecord* method) { return entryAt(method, method->signatureIndex); }

bool vsMethod_matchesNameAndSignature(const MethodRecord* method, VmRef name, VmRef signature) {
  return vsMethod_name(method) == name && vsMethod_signature(method) == signature;
}

bool vsMethod_isConstructor(const MethodRecord* method) {
  return vsMethod_name(method) == vsWellKnown_symbol(kSymInit);
}

void vsMethod_setParameterWords(MethodRecord* method) {
  method->parameterWords =
      static_cast<uint16_t>(vsSignature_parameterWords(vsMethod_signature(method), vsMember_isStatic(method)));
}

bool vsMethod_hasNamesakeInVtable(const MethodRecord* method) {
  if (method->classId == kNoClassId) return false;
  const ClassRecord* holder = vsMethod_holderClass(method);
  const VmRef name = vsMethod_name(method);
  if (holder == nullptr || name == 0 || name == vsWellKnown_symbol(kSymUnknown)) return false;
  const ClassInfo* info = holder->classInfo.get();
  const VmRef self = vsRef_of(method);
  for (uint32_t i = 0; i < info->vtableLength; ++i) {
    const VmRef other = info->vtable[i];
    if (other != 0 && other != self && vsMethod_name(vsRef_as<MethodRecord>(other)) == name) return true;
  }
  return false;
}

uint16_t vsMethod_operandU2At(const MethodRecord* method, uint32_t offset) {
  return static_cast<uint16_t>(method->code[offset] << 8 | method->code[offset + 1]);
}

void vsMethod_setOperandU2(MethodRecord* method, uint32_t offset, uint16_t value) {
  std::memcpy(&method->code[offset], &value, sizeof value);
}

bool vsMethod_isTrivialConstructor(const MethodRecord* method) {
  const uint32_t n = method->codeLength;
  if (n == 0 || n % 5 != 0 || vsMethod_isNative(method) || vsMethod_isAbstract(method)) return false;
  const uint8_t* code = method->code;
  if (code[0] != kOpAload0 || code[1] != kOpInvokespecial || code[n - 1] != kOpReturn) return false;
  for (uint32_t at = 4; at + 1 < n; at += 5)
    if (code[at] != kOpAload0 || !isZeroConstant(code[at + 1]) || code[at + 2] != kOpPutfield) return false;
  return true;
}

bool vsMethod_isFastAccessor(const MethodRecord* method, int32_t* type, uint32_t* offset) {
  const int32_t kind = vsMethodEntry_kindOfWord(*method->entryWord.get());
  if (kind < kEntryAccessorByte || kind > kEntryAccessorLong) return false;
  *type = method->maxStack;
  *offset = method->maxLocals;
  return true;
}
