// Per-bci tables of a method: where instructions start, whether control
// falls through an opcode, and the instruction-cost estimate.
//
// Instruction starts: one byte per code byte, 1 where an instruction
// starts, 3 where a `new` starts, 0 inside an instruction.
//
// Cost estimate: three int arrays of one element per code byte, filled by
// the creator (costs 0, weights kFlowWeight, loop factors 1) and walked over
// the whole method. Each instruction's operation sets its cost code (5 for
// stack and arithmetic work, 3 for locals, arrays, fields, branches and
// calls); each branch hands weight[bci] / n to each of its n successors: a
// forward target takes the share off every instruction start in between, a
// backward one multiplies the loop factor of every start in [target, bci)
// by 5 and adds the share to its weight. Factors and weights saturate at
// the int range.
#pragma once

#include <cstdint>

#include "vm/core/bytecode/bytecode_closure.h"

inline constexpr int32_t kFlowWeight = 552960;  // 0x87000
inline constexpr uint8_t kInstructionStart = 1;
inline constexpr uint8_t kNewInstruction = 2;
inline constexpr int32_t kCostSimple = 5;
inline constexpr int32_t kCostMemory = 3;
inline constexpr int32_t kLoopFactor = 5;

// The instruction-start bytes of the method; null with an exception
// pending when allocation failed or an instruction could not be read (the
// verification error 26).
VmRef vsBytecodes_scanInstructionStarts(const VmRef* method);

// False for goto, goto_w, the returns, ret, the switches, athrow and the
// native-method opcode; true for every other opcode.
bool vsBytecodes_canFallThrough(uint8_t opcode);

class vsInstructionCostClosure : public vsBytecodeClosure {
 public:
  // The three int arrays, one element per code byte.
  vsInstructionCostClosure(const VmRef* costs, const VmRef* weights, const VmRef* loopFactors);

  VmHandle costs;
  VmHandle weights;
  VmHandle loopFactors;

  int32_t pushInt(int32_t value) override;
  int32_t pushLong(uint32_t low, uint32_t high) override;
  int32_t pushFloat(uint32_t bits) override;
  int32_t pushDouble(uint32_t low, uint32_t high) override;
  int32_t pushObject(const VmRef* object) override;
  int32_t loadLocal(int32_t type, uint32_t index) override;
  int32_t storeLocal(int32_t type, uint32_t index) override;
  int32_t incrementLocal(uint32_t index, int32_t delta) override;
  int32_t arrayLength() override;
  int32_t loadArray(int32_t type) override;
  int32_t storeArray(int32_t type) override;
  int32_t nop() override;
  int32_t pop() override;
  int32_t pop2() override;
  int32_t dup() override;
  int32_t dup2() override;
  int32_t dupX1() override;
  int32_t dup2X1() override;
  int32_t dupX2() override;
  int32_t dup2X2() override;
  int32_t swap() override;
  int32_t negate(int32_t type) override;
  int32_t booleanNot() override;
  int32_t binaryOp(int32_t type, int32_t op) override;
  int32_t convert(int32_t from, int32_t to) override;
  int32_t branchIf(int32_t cond, int32_t target) override;
  int32_t branchIfIntCompare(int32_t cond, int32_t target) override;
  int32_t branchIfRefCompare(int32_t cond, int32_t target) override;
  int32_t compare(int32_t type, int32_t kind) override;
  int32_t branchAlways(int32_t target) override;
  int32_t tableSwitch(uint32_t table, int32_t defaultTarget, int32_t low, int32_t high) override;
  int32_t lookupSwitch(uint32_t table, int32_t defaultTarget, int32_t pairs) override;
  int32_t getField(uint32_t index) override;
  int32_t putField(uint32_t index) override;
  int32_t getStatic(uint32_t index) override;
  int32_t putStatic(uint32_t index) override;
  int32_t invokeInterface(uint32_t index, uint32_t argumentCount) override;
  int32_t invokeSpecial(uint32_t index) override;
  int32_t invokeStatic(uint32_t index) override;
  int32_t invokeVirtual(uint32_t index) override;
  int32_t invokeNative(int32_t resultType, uint32_t function) override;
  int32_t fastInvokeVirtual(uint32_t index) override;
  int32_t fastInvokeDirect(uint32_t index) override;
  int32_t fastInvokeSuper(uint32_t index) override;
  int32_t fastGetField(int32_t type, uint32_t byteOffset) override;
  int32_t fastPutField(int32_t type, uint32_t byteOffset) override;

 private:
  int32_t cost(int32_t code);
  // One successor of the branch at bci, with its share of the weight.
  void flow(int32_t target, int32_t share);
  // Hands weight[bci] / successors to the target.
  int32_t branch(int32_t cost, int32_t target, int32_t successors);
  int32_t* array(const VmHandle& h);
};
