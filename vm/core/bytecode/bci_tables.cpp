// Per-bci tables (see bci_tables.h).
#include "vm/core/bytecode/bci_tables.h"

#include <cstdint>
#include <limits>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/vm_globals.h"

namespace {

class InstructionStartScanner : public vsBytecodeClosure {
 public:
  // Only lengths matter: string constants stay as they are.
  explicit InstructionStartScanner(const VmRef* starts) {
    vsHandle_pushCopy(&this->starts, starts);
    resolvesStrings = false;
  }
  VmHandle starts;

  int32_t prolog() override {
    bytes()[bci] = kInstructionStart;
    return 0;
  }
  int32_t newObject(uint32_t) override {
    bytes()[bci] |= kNewInstruction;
    return 0;
  }
  int32_t illegalInstruction() override {
    vsException_raiseWithCode(kVmErrorClass, kErrIllegalInstruction);
    return 0;
  }

 private:
  uint8_t* bytes() { return reinterpret_cast<uint8_t*>(vsRef_as<ByteArray>(starts.object)->elements); }
};

int32_t saturate(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace

VmRef vsBytecodes_scanInstructionStarts(const VmRef* method) {
  const uint32_t length = vsRef_as<MethodRecord>(*method)->codeLength;
  VmHandle starts;
  vsHandle_push(&starts, vsJavaHeap_newByteArray(static_cast<int32_t>(length)));
  VmRef result = 0;
  if (starts.object != 0) {
    {
      InstructionStartScanner scanner(&starts.object);
      vsBytecodes_iterate(method, 0, length, &scanner);
    }
    if (!vsException_isPending()) result = starts.object;
  }
  vsHandle_close(&starts);
  return result;
}

bool vsBytecodes_canFallThrough(uint8_t opcode) {
  switch (opcode) {
    case kOpGoto:
    case kOpGotoW:
    case kOpIreturn:
    case kOpLreturn:
    case kOpFreturn:
    case kOpDreturn:
    case kOpAreturn:
    case kOpReturn:
    case kOpRet:
    case kOpTableswitch:
    case kOpLookupswitch:
    case kOpAthrow:
    case kOpInvokeNative: return false;
    default: return true;
  }
}

vsInstructionCostClosure::vsInstructionCostClosure(const VmRef* c, const VmRef* w, const VmRef* l) {
  vsHandle_pushCopy(&costs, c);
  vsHandle_pushCopy(&weights, w);
  vsHandle_pushCopy(&loopFactors, l);
}

int32_t* vsInstructionCostClosure::array(const VmHandle& h) { return vsRef_as<IntArray>(h.object)->elements; }

int32_t vsInstructionCostClosure::cost(int32_t code) {
  array(costs)[bci] = code;
  return 0;
}

void vsInstructionCostClosure::flow(int32_t target, int32_t share) {
  const VmRef* m = &method.object;
  const uint32_t end = vsRef_as<MethodRecord>(*m)->codeLength;
  int32_t* weight = array(weights);
  int32_t* loop = array(loopFactors);
  const int32_t here = static_cast<int32_t>(bci);
  if (target < 0 || static_cast<uint32_t>(target) > end) return;
  // The instruction starts of (bci, target) or of [target, bci).
  uint32_t i = target >= here ? bci : static_cast<uint32_t>(target);
  const uint32_t stop = target >= here ? static_cast<uint32_t>(target) : bci;
  if (target >= here) {
    const int32_t length = vsBytecodes_lengthAt(m, i);
    if (length <= 0 || length == kLengthNotAllowed) return;
    i += static_cast<uint32_t>(length);
  }
  while (i < stop && i < end) {
    if (target >= here) {
      weight[i] = saturate(int64_t{weight[i]} - share);
    } else {
      loop[i] = saturate(int64_t{loop[i]} * kLoopFactor);
      weight[i] = saturate(int64_t{weight[i]} + share);
    }
    const int32_t length = vsBytecodes_lengthAt(m, i);
    if (length <= 0 || length == kLengthNotAllowed) return;
    i += static_cast<uint32_t>(length);
  }
}

int32_t vsInstructionCostClosure::branch(int32_t code, int32_t target, int32_t successors) {
  cost(code);
  flow(target, array(weights)[bci] / successors);
  return 0;
}

int32_t vsInstructionCostClosure::pushInt(int32_t) { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::pushLong(uint32_t, uint32_t) { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::pushFloat(uint32_t) { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::pushDouble(uint32_t, uint32_t) { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::pushObject(const VmRef*) { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::loadLocal(int32_t, uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::storeLocal(int32_t, uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::incrementLocal(uint32_t, int32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::arrayLength() { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::loadArray(int32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::storeArray(int32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::nop() { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::pop() { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::pop2() { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::dup() { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::dup2() { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::dupX1() { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::dup2X1() { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::dupX2() { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::dup2X2() { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::swap() { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::negate(int32_t) { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::booleanNot() { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::binaryOp(int32_t, int32_t) { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::convert(int32_t, int32_t) { return cost(kCostSimple); }
int32_t vsInstructionCostClosure::compare(int32_t, int32_t) { return cost(kCostSimple); }

// The other successor, the next instruction, takes its share over no
// instruction in between.
int32_t vsInstructionCostClosure::branchIf(int32_t, int32_t target) { return branch(kCostMemory, target, 2); }

int32_t vsInstructionCostClosure::branchIfIntCompare(int32_t cond, int32_t target) { return branchIf(cond, target); }
int32_t vsInstructionCostClosure::branchIfRefCompare(int32_t cond, int32_t target) { return branchIf(cond, target); }

int32_t vsInstructionCostClosure::branchAlways(int32_t target) { return branch(kCostMemory, target, 1); }

int32_t vsInstructionCostClosure::tableSwitch(uint32_t table, int32_t defaultTarget, int32_t low, int32_t high) {
  const int64_t entries = int64_t{high} - low + 1 > 0 ? int64_t{high} - low + 1 : 0;
  cost(kCostMemory);
  const int32_t share = static_cast<int32_t>(array(weights)[bci] / (entries + 1));
  flow(defaultTarget, share);
  const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
  for (int64_t k = 0; k < entries; ++k)
    flow(vsBytecodes_target(bci, vsMethod_codeIntAt(m, table + 12 + 4 * static_cast<uint32_t>(k))), share);
  return 0;
}

int32_t vsInstructionCostClosure::lookupSwitch(uint32_t table, int32_t defaultTarget, int32_t pairs) {
  const int64_t n = pairs > 0 ? pairs : 0;
  cost(kCostMemory);
  const int32_t share = static_cast<int32_t>(array(weights)[bci] / (n + 1));
  flow(defaultTarget, share);
  const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
  for (int64_t k = 0; k < n; ++k)
    flow(vsBytecodes_target(bci, vsMethod_codeIntAt(m, table + 12 + 8 * static_cast<uint32_t>(k))), share);
  return 0;
}

int32_t vsInstructionCostClosure::getField(uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::putField(uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::getStatic(uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::putStatic(uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::invokeInterface(uint32_t, uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::invokeSpecial(uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::invokeStatic(uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::invokeVirtual(uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::invokeNative(int32_t, uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::fastInvokeVirtual(uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::fastInvokeDirect(uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::fastInvokeSuper(uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::fastGetField(int32_t, uint32_t) { return cost(kCostMemory); }
int32_t vsInstructionCostClosure::fastPutField(int32_t, uint32_t) { return cost(kCostMemory); }
