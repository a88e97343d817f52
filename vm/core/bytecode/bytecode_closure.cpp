// The bytecode decoder and the visitor base (see bytecode_closure.h).
#include "vm/core/bytecode/bytecode_closure.h"

#include <cstring>

#include "vm/core/interp/pool_strings.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/vm_globals.h"

vsBytecodeClosure::vsBytecodeClosure() : savedRoots(vsLocalRootList) {
  vsHandle_pushEmpty(&method);
}

vsBytecodeClosure::~vsBytecodeClosure() { vsLocalRootList = savedRoots; }

int32_t vsBytecodeClosure::prolog() { return 0; }
int32_t vsBytecodeClosure::epilog() { return 0; }
int32_t vsBytecodeClosure::pushInt(int32_t) { return 0; }
int32_t vsBytecodeClosure::pushLong(uint32_t, uint32_t) { return 0; }
int32_t vsBytecodeClosure::pushFloat(uint32_t) { return 0; }
int32_t vsBytecodeClosure::pushDouble(uint32_t, uint32_t) { return 0; }
int32_t vsBytecodeClosure::pushObject(const VmRef*) { return 0; }
int32_t vsBytecodeClosure::loadLocal(int32_t, uint32_t) { return 0; }
int32_t vsBytecodeClosure::storeLocal(int32_t, uint32_t) { return 0; }
int32_t vsBytecodeClosure::incrementLocal(uint32_t, int32_t) { return 0; }
int32_t vsBytecodeClosure::arrayLength() { return 0; }
int32_t vsBytecodeClosure::loadArray(int32_t) { return 0; }
int32_t vsBytecodeClosure::storeArray(int32_t) { return 0; }
int32_t vsBytecodeClosure::nop() { return 0; }
int32_t vsBytecodeClosure::pop() { return 0; }
int32_t vsBytecodeClosure::pop2() { return 0; }
int32_t vsBytecodeClosure::dup() { return 0; }
int32_t vsBytecodeClosure::dup2() { return 0; }
int32_t vsBytecodeClosure::dupX1() { return 0; }
int32_t vsBytecodeClosure::dup2X1() { return 0; }
int32_t vsBytecodeClosure::dupX2() { return 0; }
int32_t vsBytecodeClosure::dup2X2() { return 0; }
int32_t vsBytecodeClosure::swap() { return 0; }
int32_t vsBytecodeClosure::negate(int32_t) { return 0; }
int32_t vsBytecodeClosure::booleanNot() { return 0; }
int32_t vsBytecodeClosure::binaryOp(int32_t, int32_t) { return 0; }
int32_t vsBytecodeClosure::convert(int32_t, int32_t) { return 0; }
int32_t vsBytecodeClosure::branchIf(int32_t, int32_t) { return 0; }
int32_t vsBytecodeClosure::branchIfIntCompare(int32_t, int32_t) { return 0; }
int32_t vsBytecodeClosure::branchIfRefCompare(int32_t, int32_t) { return 0; }
int32_t vsBytecodeClosure::compare(int32_t, int32_t) { return 0; }
int32_t vsBytecodeClosure::branchAlways(int32_t) { return 0; }
int32_t vsBytecodeClosure::returnValue(int32_t) { return 0; }
int32_t vsBytecodeClosure::tableSwitch(uint32_t, int32_t, int32_t, int32_t) { return 0; }
int32_t vsBytecodeClosure::lookupSwitch(uint32_t, int32_t, int32_t) { return 0; }
int32_t vsBytecodeClosure::getField(uint32_t) { return 0; }
int32_t vsBytecodeClosure::putField(uint32_t) { return 0; }
int32_t vsBytecodeClosure::getStatic(uint32_t) { return 0; }
int32_t vsBytecodeClosure::putStatic(uint32_t) { return 0; }
int32_t vsBytecodeClosure::invokeInterface(uint32_t, uint32_t) { return 0; }
int32_t vsBytecodeClosure::invokeSpecial(uint32_t) { return 0; }
int32_t vsBytecodeClosure::invokeStatic(uint32_t) { return 0; }
int32_t vsBytecodeClosure::invokeVirtual(uint32_t) { return 0; }
int32_t vsBytecodeClosure::invokeNative(int32_t, uint32_t) { return 0; }
int32_t vsBytecodeClosure::throwException() { return 0; }
int32_t vsBytecodeClosure::newObject(uint32_t) { return 0; }
int32_t vsBytecodeClosure::newArray(int32_t) { return 0; }
int32_t vsBytecodeClosure::newObjectArray(uint32_t) { return 0; }
int32_t vsBytecodeClosure::newMultiArray(uint32_t, uint32_t) { return 0; }
int32_t vsBytecodeClosure::checkCast(uint32_t) { return 0; }
int32_t vsBytecodeClosure::instanceOf(uint32_t) { return 0; }
int32_t vsBytecodeClosure::monitorEnter() { return 0; }
int32_t vsBytecodeClosure::monitorExit() { return 0; }
int32_t vsBytecodeClosure::fastInvokeVirtual(uint32_t) { return 0; }
int32_t vsBytecodeClosure::fastInvokeDirect(uint32_t) { return 0; }
int32_t vsBytecodeClosure::fastInvokeSuper(uint32_t) { return 0; }
int32_t vsBytecodeClosure::fastGetField(int32_t, uint32_t) { return 0; }
int32_t vsBytecodeClosure::fastPutField(int32_t, uint32_t) { return 0; }

int32_t vsBytecodeClosure::fastLoadThisGetField(int32_t type) {
  const int32_t result = loadLocal(kTypeObject, 0);
  if (vsException_isPending()) return result;
  const uint8_t operand = vsMethod_codeByteAt(vsRef_as<MethodRecord>(method.object), bci + 1);
  return fastGetField(type, 4u * operand);
}

int32_t vsBytecodeClosure::reserved() { return 0; }
int32_t vsBytecodeClosure::illegalInstruction() { return 0; }

namespace {

// Types by opcode order: the loads and stores, the array elements, the
// arithmetic block, the returns.
constexpr int32_t kLocalTypes[5] = {kTypeInt, kTypeLong, kTypeFloat, kTypeDouble, kTypeObject};
constexpr int32_t kElementTypes[8] = {kTypeInt,    kTypeLong, kTypeFloat, kTypeDouble,
                                      kTypeObject, kTypeByte, kTypeChar,  kTypeShort};
constexpr int32_t kArithmeticTypes[4] = {kTypeInt, kTypeLong, kTypeFloat, kTypeDouble};
constexpr int32_t kReturnTypes[6] = {kTypeInt, kTypeLong, kTypeFloat, kTypeDouble, kTypeObject, kTypeVoid};
// Conditions of ifeq .. ifle and of if_icmpeq .. if_icmple.
constexpr int32_t kConditions[6] = {2, 3, 4, 7, 6, 5};
constexpr int32_t kOpShl = 5;
// i2l .. i2s as (from, to).
constexpr int32_t kConversions[15][2] = {
    {kTypeInt, kTypeLong},   {kTypeInt, kTypeFloat},    {kTypeInt, kTypeDouble},
    {kTypeLong, kTypeInt},   {kTypeLong, kTypeFloat},   {kTypeLong, kTypeDouble},
    {kTypeFloat, kTypeInt},  {kTypeFloat, kTypeLong},   {kTypeFloat, kTypeDouble},
    {kTypeDouble, kTypeInt}, {kTypeDouble, kTypeLong},  {kTypeDouble, kTypeFloat},
    {kTypeInt, kTypeByte},   {kTypeInt, kTypeChar},     {kTypeInt, kTypeShort}};
// Fast field forms: put byte .. reference, get byte .. reference, char.
constexpr int32_t kFastFieldTypes[15] = {kTypeByte,   kTypeShort, kTypeInt,    kTypeLong,   kTypeFloat,
                                         kTypeDouble, kTypeObject, kTypeByte,  kTypeShort,  kTypeInt,
                                         kTypeLong,   kTypeFloat,  kTypeDouble, kTypeObject, kTypeChar};

static_assert(kOpDcmpg - kOpLcmp == 4 && kOpI2s - kOpI2l + 1 == 15);
static_assert(kOpGetfieldCharFast - kOpPutfieldByteFast + 1 == 15);

bool pending() { return vsException_isPending(); }

const MethodRecord* methodOf(const vsBytecodeClosure* c) { return vsRef_as<MethodRecord>(c->method.object); }

int32_t branchOffset16(const MethodRecord* m, uint32_t at) {
  return static_cast<int16_t>(vsMethod_codeU2At(m, at));
}

uint32_t fieldOperand(const MethodRecord* m, uint32_t at) {
  return vsMethod_codeByteAt(m, at) | uint32_t{vsMethod_codeByteAt(m, at + 1)} << 8;
}

// The fast field operand counts bytes for 1- and 2-byte fields, words for
// the others.
uint32_t fieldByteOffset(int32_t type, uint32_t operand) {
  return vsBasicType_byteSize(type) <= 2 ? operand : 4 * operand;
}

int32_t ldc(vsBytecodeClosure* c, uint32_t index) {
  const ConstantPool* pool = vsMethod_constantPool(methodOf(c));
  if (index >= pool->count) return c->illegalInstruction();
  const uint8_t tag = vsConstantPool_tagAt(pool, index);
  const VmWord entry = pool->entries[index];
  switch (tag) {
    case kTagInt: return c->pushInt(static_cast<int32_t>(entry));
    case kTagFloat: return c->pushFloat(entry);
    case kTagResolvedString:
    case kTagUnresolvedString:
    case kTagClassFileString: {
      VmHandle string;
      if (tag == kTagResolvedString || !c->resolvesStrings) {
        vsHandle_push(&string, tag == kTagResolvedString ? entry : 0);
      } else {
        VmHandle poolHandle;
        vsHandle_push(&poolHandle, vsRef_of(pool));
        const VmRef s = tag == kTagUnresolvedString ? vsConstantPool_resolveString(&poolHandle.object, index)
                                                    : vsConstantPool_internStringAt(&poolHandle.object, index);
        vsHandle_close(&poolHandle);
        if (pending()) return 0;
        vsHandle_push(&string, s);
      }
      const int32_t result = c->pushObject(&string.object);
      vsHandle_close(&string);
      return result;
    }
    default: return c->illegalInstruction();
  }
}

int32_t ldc2(vsBytecodeClosure* c, uint32_t index) {
  const ConstantPool* pool = vsMethod_constantPool(methodOf(c));
  if (index + 1 >= pool->count) return c->illegalInstruction();
  const uint8_t tag = vsConstantPool_tagAt(pool, index);
  if (tag == kTagLong) return c->pushLong(pool->entries[index], pool->entries[index + 1]);
  if (tag == kTagDouble) return c->pushDouble(pool->entries[index], pool->entries[index + 1]);
  return c->illegalInstruction();
}

int32_t wide(vsBytecodeClosure* c, const MethodRecord* m, uint32_t bci) {
  const uint8_t op = vsMethod_codeByteAt(m, bci + 1);
  const uint32_t index = vsMethod_codeU2At(m, bci + 2);
  if (op >= kOpIload && op <= kOpAload) return c->loadLocal(kLocalTypes[op - kOpIload], index);
  if (op >= kOpIstore && op <= kOpAstore) return c->storeLocal(kLocalTypes[op - kOpIstore], index);
  if (op == kOpIinc) return c->incrementLocal(index, static_cast<int16_t>(vsMethod_codeU2At(m, bci + 4)));
  return c->illegalInstruction();
}

// One instruction whose bytes lie inside the code.
int32_t decode(vsBytecodeClosure* c, uint32_t bci) {
  const MethodRecord* m = methodOf(c);
  const uint8_t op = vsMethod_codeByteAt(m, bci);
  const uint8_t byte1 = vsMethod_codeByteAt(m, bci + 1);
  const uint32_t table = (bci + 4) & ~uint32_t{3};
  if (op >= kOpIconstM1 && op <= kOpIconst5) return c->pushInt(op - kOpIconst0);
  if (op >= kOpIload0 && op <= kOpAload3) return c->loadLocal(kLocalTypes[(op - kOpIload0) / 4], (op - kOpIload0) % 4);
  if (op >= kOpIstore0 && op <= kOpAstore3)
    return c->storeLocal(kLocalTypes[(op - kOpIstore0) / 4], (op - kOpIstore0) % 4);
  if (op >= kOpIload && op <= kOpAload) return c->loadLocal(kLocalTypes[op - kOpIload], byte1);
  if (op >= kOpIstore && op <= kOpAstore) return c->storeLocal(kLocalTypes[op - kOpIstore], byte1);
  if (op >= kOpIaload && op <= kOpSaload) return c->loadArray(kElementTypes[op - kOpIaload]);
  if (op >= kOpIastore && op <= kOpSastore) return c->storeArray(kElementTypes[op - kOpIastore]);
  if (op >= kOpIadd && op <= kOpDrem) return c->binaryOp(kArithmeticTypes[(op - kOpIadd) % 4], (op - kOpIadd) / 4);
  if (op >= kOpIneg && op <= kOpDneg) return c->negate(kArithmeticTypes[op - kOpIneg]);
  if (op >= kOpIshl && op <= kOpLxor)
    return c->binaryOp((op - kOpIshl) % 2 == 0 ? kTypeInt : kTypeLong, kOpShl + (op - kOpIshl) / 2);
  if (op >= kOpI2l && op <= kOpI2s) return c->convert(kConversions[op - kOpI2l][0], kConversions[op - kOpI2l][1]);
  if (op >= kOpIfeq && op <= kOpIfle) return c->branchIf(kConditions[op - kOpIfeq], vsBytecodes_target(bci, branchOffset16(m, bci + 1)));
  if (op >= kOpIfIcmpeq && op <= kOpIfIcmple)
    return c->branchIfIntCompare(kConditions[op - kOpIfIcmpeq], vsBytecodes_target(bci, branchOffset16(m, bci + 1)));
  if (op >= kOpIreturn && op <= kOpReturn) return c->returnValue(kReturnTypes[op - kOpIreturn]);
  if (op >= kOpPutfieldByteFast && op <= kOpPutfieldRefFast) {
    const int32_t type = kFastFieldTypes[op - kOpPutfieldByteFast];
    return c->fastPutField(type, fieldByteOffset(type, fieldOperand(m, bci + 1)));
  }
  if (op >= kOpGetfieldByteFast && op <= kOpGetfieldCharFast) {
    const int32_t type = kFastFieldTypes[op - kOpPutfieldByteFast];
    return c->fastGetField(type, fieldByteOffset(type, fieldOperand(m, bci + 1)));
  }
  const uint32_t index = vsMethod_codeU2At(m, bci + 1);
  switch (op) {
    case kOpNop: return c->nop();
    case kOpAconstNull: {
      VmHandle null;
      vsHandle_pushEmpty(&null);
      const int32_t result = c->pushObject(&null.object);
      vsHandle_close(&null);
      return result;
    }
    case kOpLconst0:
    case kOpLconst1: return c->pushLong(op - kOpLconst0, 0);
    case kOpFconst0: return c->pushFloat(0);
    case kOpFconst1: return c->pushFloat(0x3f800000);
    case kOpFconst2: return c->pushFloat(0x40000000);
    case kOpDconst0: return c->pushDouble(0, 0);
    case kOpDconst1: return c->pushDouble(0, 0x3ff00000);
    case kOpBipush: return c->pushInt(static_cast<int8_t>(byte1));
    case kOpSipush: return c->pushInt(static_cast<int16_t>(index));
    case kOpLdc:
    case kOpLdcFast: return ldc(c, byte1);
    case kOpLdcW:
    case kOpLdcWFast: return ldc(c, index);
    case kOpLdc2W:
    case kOpLdc2WFast: return ldc2(c, index);
    case kOpPop: return c->pop();
    case kOpPop2: return c->pop2();
    case kOpDup: return c->dup();
    case kOpDupX1: return c->dupX1();
    case kOpDupX2: return c->dupX2();
    case kOpDup2: return c->dup2();
    case kOpDup2X1: return c->dup2X1();
    case kOpDup2X2: return c->dup2X2();
    case kOpSwap: return c->swap();
    case kOpIinc: return c->incrementLocal(byte1, static_cast<int8_t>(vsMethod_codeByteAt(m, bci + 2)));
    case kOpLcmp: return c->compare(kTypeLong, 2);
    case kOpFcmpl: return c->compare(kTypeFloat, 4);
    case kOpFcmpg: return c->compare(kTypeFloat, 6);
    case kOpDcmpl: return c->compare(kTypeDouble, 4);
    case kOpDcmpg: return c->compare(kTypeDouble, 6);
    case kOpIfAcmpeq: return c->branchIfRefCompare(2, vsBytecodes_target(bci, branchOffset16(m, bci + 1)));
    case kOpIfAcmpne: return c->branchIfRefCompare(3, vsBytecodes_target(bci, branchOffset16(m, bci + 1)));
    case kOpIfnull: return c->branchIf(0, vsBytecodes_target(bci, branchOffset16(m, bci + 1)));
    case kOpIfnonnull: return c->branchIf(1, vsBytecodes_target(bci, branchOffset16(m, bci + 1)));
    case kOpGoto: return c->branchAlways(vsBytecodes_target(bci, branchOffset16(m, bci + 1)));
    case kOpGotoW: return c->branchAlways(vsBytecodes_target(bci, vsMethod_codeBigEndianIntAt(m, bci + 1)));
    case kOpTableswitch:
      return c->tableSwitch(table, vsBytecodes_target(bci, vsMethod_codeIntAt(m, table)), vsMethod_codeIntAt(m, table + 4),
                            vsMethod_codeIntAt(m, table + 8));
    case kOpLookupswitch:
      return c->lookupSwitch(table, vsBytecodes_target(bci, vsMethod_codeIntAt(m, table)), vsMethod_codeIntAt(m, table + 4));
    case kOpGetstatic:
    case kOpGetstaticFast:
    case kOpGetstatic2Fast: return c->getStatic(index);
    case kOpPutstatic:
    case kOpPutstaticFast:
    case kOpPutstatic2Fast:
    case kOpPutstaticRefFast: return c->putStatic(index);
    case kOpGetfield: return c->getField(index);
    case kOpPutfield: return c->putField(index);
    case kOpInvokevirtual: return c->invokeVirtual(index);
    case kOpInvokespecial: return c->invokeSpecial(index);
    case kOpInvokestatic:
    case kOpInvokestaticFast: return c->invokeStatic(index);
    case kOpInvokeinterface:
    case kOpInvokeinterfaceFast: return c->invokeInterface(index, vsMethod_codeByteAt(m, bci + 3));
    case kOpNew:
    case kOpNewFast: return c->newObject(index);
    case kOpNewarray: return c->newArray(byte1);
    case kOpAnewarray:
    case kOpAnewarrayFast: return c->newObjectArray(index);
    case kOpArraylength: return c->arrayLength();
    case kOpAthrow: return c->throwException();
    case kOpCheckcast:
    case kOpCheckcastFast: return c->checkCast(index);
    case kOpInstanceof:
    case kOpInstanceofFast: return c->instanceOf(index);
    case kOpMonitorenter: return c->monitorEnter();
    case kOpMonitorexit: return c->monitorExit();
    case kOpWide: return wide(c, m, bci);
    case kOpMultianewarray: return c->newMultiArray(index, vsMethod_codeByteAt(m, bci + 3));
    case kOpInvokevirtualFast: return c->fastInvokeVirtual(index);
    case kOpInvokedirectFast: return c->fastInvokeDirect(index);
    case kOpInvokesuperFast: return c->fastInvokeSuper(index);
    case kOpGetfieldWord1IntFast: return c->fastGetField(kTypeInt, 4u * byte1);
    case kOpGetfieldWord1RefFast: return c->fastGetField(kTypeObject, 4u * byte1);
    case kOpAload0GetfieldWord1RefFast: return c->fastLoadThisGetField(kTypeObject);
    case kOpAload0GetfieldWord1IntFast: return c->fastLoadThisGetField(kTypeInt);
    case kOpInot: return c->booleanNot();
    case kOpInvokeNative: {
      uint32_t function;
      std::memcpy(&function, m->code + 4, 4);
      const int32_t result = c->invokeNative(byte1, function);
      if (pending()) return result;
      return c->returnValue(byte1);
    }
    default: return c->illegalInstruction();  // jsr, ret, jsr_w, 186, 202, 241 .. 255
  }
}

// The length of the instruction at bci when it lies inside the code, else 0.
uint32_t lengthInside(const VmRef* method, uint32_t bci) {
  const MethodRecord* m = vsRef_as<MethodRecord>(*method);
  if (bci >= m->codeLength) return 0;
  const int32_t length = vsBytecodes_lengthAt(method, bci);
  if (length <= 0 || length == kLengthNotAllowed || bci + static_cast<uint32_t>(length) > m->codeLength) return 0;
  return static_cast<uint32_t>(length);
}

}  // namespace

int32_t vsBytecodes_visit(const VmRef* method, uint32_t bci, vsBytecodeClosure* closure) {
  vsHandle_assign(&closure->method.object, method);
  closure->bci = bci;
  int32_t result = closure->prolog();
  if (pending()) return result;
  result = lengthInside(&closure->method.object, bci) == 0 ? closure->illegalInstruction() : decode(closure, bci);
  if (pending()) return result;
  return closure->epilog();
}

int32_t vsBytecodes_iterate(const VmRef* method, uint32_t from, uint32_t to, vsBytecodeClosure* closure) {
  int32_t result = 0;
  uint32_t bci = from;
  while (bci < to) {
    const uint32_t length = lengthInside(method, bci);
    if (length == 0 || length > to - bci) {
      vsHandle_assign(&closure->method.object, method);
      closure->bci = bci;
      return closure->illegalInstruction();
    }
    result = vsBytecodes_visit(method, bci, closure);
    if (pending()) return result;
    bci += length;
  }
  return result;
}
