// The rewriting rule of slow bytecodes (see quickening.h).
#include "vm/core/interp/quickening.h"

#include "vm/core/interp/method_helpers.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"

namespace {

// Fast forms of the instance-field bytecodes, by basic type (4 .. 13).
constexpr uint8_t kGetfieldForms[] = {
    kOpGetfieldByteFast,   kOpGetfieldCharFast, kOpGetfieldFloatFast, kOpGetfieldDoubleFast, kOpGetfieldByteFast,
    kOpGetfieldShortFast,  kOpGetfieldIntFast,  kOpGetfieldLongFast,  kOpGetfieldRefFast,    kOpGetfieldRefFast};
constexpr uint8_t kPutfieldForms[] = {
    kOpPutfieldByteFast,   kOpPutfieldShortFast, kOpPutfieldFloatFast, kOpPutfieldDoubleFast, kOpPutfieldByteFast,
    kOpPutfieldShortFast,  kOpPutfieldIntFast,   kOpPutfieldLongFast,  kOpPutfieldRefFast,    kOpPutfieldRefFast};
static_assert(sizeof(kGetfieldForms) == kTypeArray - kTypeBoolean + 1);
static_assert(sizeof(kPutfieldForms) == kTypeArray - kTypeBoolean + 1);

// The field type of a resolved field entry, or -1.
int32_t fieldType(uint8_t tag) {
  const int32_t type = tag - int32_t{kTagResolvedFieldBase};
  return type >= kTypeBoolean && type <= kTypeArray ? type : -1;
}

bool isTwoWords(int32_t type) { return type == kTypeLong || type == kTypeDouble; }
bool isReference(int32_t type) { return type == kTypeObject || type == kTypeArray; }

bool isVirtualEntry(uint8_t tag) {
  return tag >= int32_t{kTagResolvedVirtualBase} + kTypeBoolean && tag <= int32_t{kTagResolvedVirtualBase} + kTypeVoid;
}

bool isInterfaceEntry(uint8_t tag) {
  return tag >= int32_t{kTagResolvedInterfaceBase} + kTypeBoolean &&
         tag <= int32_t{kTagResolvedInterfaceBase} + kTypeVoid;
}

// The pool index the slow instruction at bcp names.
uint32_t poolIndexOf(const uint8_t* bcp) {
  return bcp[0] == kOpLdc ? bcp[1] : static_cast<uint32_t>(bcp[1] << 8 | bcp[2]);
}

// The four forms that wait for an initialised holder outside the image.
bool mayRewriteStatic(uint32_t conditions) {
  return (conditions & kQuickenHolderInitialized) != 0 && (conditions & kQuickenCodeInImage) == 0;
}

}  // namespace

uint8_t vsBytecode_fastForm(uint8_t opcode, uint8_t entryTag, uint32_t conditions) {
  const int32_t type = fieldType(entryTag);
  switch (opcode) {
    case kOpLdc:
    case kOpLdcW:
      if (entryTag != kTagInt && entryTag != kTagFloat && entryTag != kTagResolvedString) return 0;
      return opcode == kOpLdc ? kOpLdcFast : kOpLdcWFast;
    case kOpLdc2W:
      return kOpLdc2WFast;
    case kOpGetstatic:
      if (type < 0 || !mayRewriteStatic(conditions)) return 0;
      return isTwoWords(type) ? kOpGetstatic2Fast : kOpGetstaticFast;
    case kOpPutstatic:
      if (type < 0 || !mayRewriteStatic(conditions)) return 0;
      return isTwoWords(type) ? kOpPutstatic2Fast : isReference(type) ? kOpPutstaticRefFast : kOpPutstaticFast;
    case kOpGetfield:
      return type < 0 ? 0 : kGetfieldForms[type - kTypeBoolean];
    case kOpPutfield:
      return type < 0 ? 0 : kPutfieldForms[type - kTypeBoolean];
    case kOpInvokevirtual:
      return entryTag == kTagBoundMethod ? kOpInvokedirectFast : isVirtualEntry(entryTag) ? kOpInvokevirtualFast : 0;
    case kOpInvokespecial:
      return entryTag == kTagBoundMethod ? kOpInvokedirectFast : isVirtualEntry(entryTag) ? kOpInvokesuperFast : 0;
    case kOpInvokestatic:
      return entryTag == kTagBoundMethod && mayRewriteStatic(conditions) ? kOpInvokestaticFast : 0;
    case kOpInvokeinterface:
      if (isInterfaceEntry(entryTag)) return kOpInvokeinterfaceFast;
      if (entryTag == kTagRedirectedVirtual) return kOpInvokevirtualFast;
      return entryTag == kTagRedirectedDirect ? kOpInvokedirectFast : 0;
    case kOpNew:
      if (entryTag != kTagResolvedClass || !mayRewriteStatic(conditions)) return 0;
      return (conditions & kQuickenClassFinalizable) != 0 ? 0 : kOpNewFast;
    case kOpAnewarray:
      return entryTag == kTagResolvedClass ? kOpAnewarrayFast : 0;
    case kOpCheckcast:
      return entryTag == kTagResolvedClass ? kOpCheckcastFast : 0;
    case kOpInstanceof:
      return entryTag == kTagResolvedClass ? kOpInstanceofFast : 0;
    default:
      return 0;
  }
}

uint16_t vsBytecode_fieldOperand(int32_t basicType, uint32_t byteOffset) {
  const bool byBytes = basicType == kTypeBoolean || basicType == kTypeByte || basicType == kTypeShort ||
                       basicType == kTypeChar;
  return static_cast<uint16_t>(byBytes ? byteOffset : byteOffset / 4);
}

uint8_t vsMethod_fastFormAt(const MethodRecord* method, uint32_t bci, uint32_t conditions) {
  const uint8_t* bcp = method->code + bci;
  const ConstantPool* pool = vsMethod_constantPool(method);
  const uint32_t index = poolIndexOf(bcp);
  if (index >= pool->count) return 0;
  return vsBytecode_fastForm(bcp[0], vsConstantPool_tagAt(pool, index), conditions);
}

void vsMethod_quickenAt(MethodRecord* method, uint32_t bci, uint8_t fast) {
  if (fast == 0) return;
  uint8_t* bcp = method->code + bci;
  const uint8_t opcode = bcp[0];
  if (opcode == kOpGetfield || opcode == kOpPutfield) {
    const ConstantPool* pool = vsMethod_constantPool(method);
    const uint32_t index = poolIndexOf(bcp);
    const int32_t type = fieldType(vsConstantPool_tagAt(pool, index));
    vsMethod_setOperandU2(method, bci + 1, vsBytecode_fieldOperand(type, pool->entries[index] >> 16));
  } else if (opcode == kOpInvokeinterface && fast != kOpInvokeinterfaceFast) {
    bcp[3] = 0;
    bcp[4] = 0;
  }
  bcp[0] = fast;
}
