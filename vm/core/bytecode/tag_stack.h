// The tag-stack simulator: which slots of a frame hold references at a bci.
//
// Starting from the method's compact map entry at or before the bci (or
// from the signature when there is none), the closure walks the code up to
// the bci in a straight line, keeping one tag byte per slot (locals first,
// then the stack items) in the VM's shared tag array:
//
//   0 unknown or dead   1 int-like   2 float   7 reference
//   3, 10 double (first, second)    4, 9 long (first, second)
//
// and returns the array with the first `top` bytes turned into 1
// (reference) or 2 (anything else). Verified code has a map entry at
// every branch target, so no target lies inside the walk.
//
// The simulator runs inside collections: it neither allocates nor
// resolves. It reads a callee's or field's type from the resolved pool
// entry, or from the reference's signature in whatever form the pool
// holds it (encoded or descriptor text), and it never grows the tag array
// (vsStackMap_compressClass does). The shared array makes it
// non-reentrant: a query's result must be consumed before the next one.
#pragma once

#include <cstdint>

#include "vm/core/bytecode/bytecode_closure.h"

// The answer of a query: a reference slot, or anything else.
inline constexpr uint8_t kSlotReference = 1;
inline constexpr uint8_t kSlotOther = 2;

class vsTagStackClosure : public vsBytecodeClosure {
 public:
  explicit vsTagStackClosure(const VmRef* method);

  // Slot 61: control cannot go on past the current instruction.
  virtual int32_t endOfFlow();

  // Slots in use, locals first.
  uint32_t top = 0;
  // The shared tag array.
  VmHandle tags;
  // False once the walk met something it could not type (a pool entry in
  // no readable form, a stack that over- or underflowed its frame).
  bool exact = true;

  int32_t pushInt(int32_t value) override;
  int32_t pushLong(uint32_t low, uint32_t high) override;
  int32_t pushFloat(uint32_t bits) override;
  int32_t pushDouble(uint32_t low, uint32_t high) override;
  int32_t pushObject(const VmRef* object) override;
  int32_t loadLocal(int32_t type, uint32_t index) override;
  int32_t storeLocal(int32_t type, uint32_t index) override;
  int32_t arrayLength() override;
  int32_t loadArray(int32_t type) override;
  int32_t storeArray(int32_t type) override;
  int32_t pop() override;
  int32_t pop2() override;
  int32_t dup() override;
  int32_t dup2() override;
  int32_t dupX1() override;
  int32_t dup2X1() override;
  int32_t dupX2() override;
  int32_t dup2X2() override;
  int32_t swap() override;
  int32_t binaryOp(int32_t type, int32_t op) override;
  int32_t convert(int32_t from, int32_t to) override;
  int32_t branchIf(int32_t cond, int32_t target) override;
  int32_t branchIfIntCompare(int32_t cond, int32_t target) override;
  int32_t branchIfRefCompare(int32_t cond, int32_t target) override;
  int32_t compare(int32_t type, int32_t kind) override;
  int32_t branchAlways(int32_t target) override;
  int32_t returnValue(int32_t type) override;
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
  int32_t throwException() override;
  int32_t newObject(uint32_t index) override;
  int32_t newArray(int32_t arrayType) override;
  int32_t newObjectArray(uint32_t index) override;
  int32_t newMultiArray(uint32_t index, uint32_t dimensions) override;
  int32_t instanceOf(uint32_t index) override;
  int32_t monitorEnter() override;
  int32_t monitorExit() override;
  int32_t fastInvokeVirtual(uint32_t index) override;
  int32_t fastInvokeDirect(uint32_t index) override;
  int32_t fastInvokeSuper(uint32_t index) override;
  int32_t fastGetField(int32_t type, uint32_t byteOffset) override;
  int32_t fastPutField(int32_t type, uint32_t byteOffset) override;
  int32_t reserved() override;
  int32_t illegalInstruction() override;

 private:
  uint8_t* slots();
  uint32_t limit();
  uint32_t locals();
  void push(uint8_t tag);
  void pushType(int32_t type);
  void popSlots(uint32_t n);
  uint8_t at(uint32_t depth);  // depth 1 is the top item
  int32_t field(uint32_t index, bool isStatic, bool isPut);
  int32_t invoke(uint32_t index, bool isStatic);
  // The receiver and parameters, then dead slots up to the locals' count.
  void startFromSignature();
  friend VmRef vsTagStackClosure_computeTagsAt(vsTagStackClosure* closure, const VmRef* map, uint32_t bci);
};

// The slot tags (1 reference, 2 other) of the closure's method at bci, from
// the method's compact map `map` (a handle holding null for none); top
// holds the number of valid slots. Null when there is no tag array.
VmRef vsTagStackClosure_computeTagsAt(vsTagStackClosure* closure, const VmRef* map, uint32_t bci);
