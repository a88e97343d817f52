// Method helpers (see method_helpers.h).
#include "vm/core/interp/method_helpers.h"

#include "vm/core/interp/method_entries.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/signatures.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

constexpr uint8_t kAload0 = 0x2a;
constexpr uint8_t kAconstNull = 0x01;
constexpr uint8_t kIconst0 = 0x03;
constexpr uint8_t kFconst0 = 0x0b;
constexpr uint8_t kDconst0 = 0x0e;
constexpr uint8_t kPutfield = 0xb5;
constexpr uint8_t kInvokespecial = 0xb7;
constexpr uint8_t kReturn = 0xb1;

VmRef entryAt(const MethodRecord* method, uint32_t index) {
  const ConstantPool* pool = vsMethod_constantPool(method);
  if (pool == nullptr || index >= pool->count) return 0;
  return pool->entries[index];
}

bool isZeroConstant(uint8_t op) { return op == kAconstNull || op == kIconst0 || op == kFconst0 || op == kDconst0; }

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

bool vsMethod_isTrivialConstructor(const MethodRecord* method) {
  const uint32_t n = method->codeLength;
  if (n == 0 || n % 5 != 0 || vsMethod_isNative(method) || vsMethod_isAbstract(method)) return false;
  const uint8_t* code = method->code;
  if (code[0] != kAload0 || code[1] != kInvokespecial || code[n - 1] != kReturn) return false;
  for (uint32_t at = 4; at + 1 < n; at += 5)
    if (code[at] != kAload0 || !isZeroConstant(code[at + 1]) || code[at + 2] != kPutfield) return false;
  return true;
}

bool vsMethod_isFastAccessor(const MethodRecord* method, int32_t* type, uint32_t* offset) {
  const int32_t kind = vsMethodEntry_kindOfWord(*method->entryWord.get());
  if (kind < kEntryAccessorByte || kind > kEntryAccessorLong) return false;
  *type = method->maxStack;
  *offset = method->maxLocals;
  return true;
}
