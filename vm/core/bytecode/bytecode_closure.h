// The bytecode visitor: one decoder for every walk over a method's code.
//
// A walk is a subclass of vsBytecodeClosure with one virtual operation per
// kind of instruction, 61 in all, declared below in slot order (slot 59 is
// kept free so that the later slots keep their places). vsBytecodes_visit
// decodes the instruction at one bci and calls the matching operation;
// vsBytecodes_iterate does so for a range. The VM's fast opcodes 203 to
// 240 are folded onto the standard operations wherever they mean the same.
//
// Operands: a type is a BasicType code; an index is a constant-pool index;
// a target is an absolute bci; a condition is 0 null, 1 non-null, 2 equal,
// 3 not equal, 4 less, 5 less or equal, 6 greater, 7 greater or equal; a
// binary op is 0 add, 1 sub, 2 mul, 3 div, 4 rem, 5 shl, 6 shr, 7 ushr,
// 8 and, 9 or, 10 xor; a switch's table is the bci of its 4-aligned
// operand block, whose words are in machine order (every other operand is
// big-endian, the fast field offsets little-endian).
//
// A closure lives on the machine stack for one walk. The constructor saves
// the local-root head and opens the method handle; subclasses may open
// handles of their own after it; the destructor drops them all by restoring
// the saved head. Closures therefore nest strictly with the other handles.
// Failures are pending exceptions: the decoder stops at the first one,
// leaving bci at the failing instruction.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

class vsBytecodeClosure {
 public:
  vsBytecodeClosure();
  ~vsBytecodeClosure();
  vsBytecodeClosure(const vsBytecodeClosure&) = delete;
  vsBytecodeClosure& operator=(const vsBytecodeClosure&) = delete;

  /* 0 */ virtual int32_t prolog();
  /* 1 */ virtual int32_t epilog();
  /* 2 */ virtual int32_t pushInt(int32_t value);
  /* 3 */ virtual int32_t pushLong(uint32_t low, uint32_t high);
  /* 4 */ virtual int32_t pushFloat(uint32_t bits);
  /* 5 */ virtual int32_t pushDouble(uint32_t low, uint32_t high);
  /* 6 */ virtual int32_t pushObject(const VmRef* object);
  /* 7 */ virtual int32_t loadLocal(int32_t type, uint32_t index);
  /* 8 */ virtual int32_t storeLocal(int32_t type, uint32_t index);
  /* 9 */ virtual int32_t incrementLocal(uint32_t index, int32_t delta);
  /* 10 */ virtual int32_t arrayLength();
  /* 11 */ virtual int32_t loadArray(int32_t type);
  /* 12 */ virtual int32_t storeArray(int32_t type);
  /* 13 */ virtual int32_t nop();
  /* 14 */ virtual int32_t pop();
  /* 15 */ virtual int32_t pop2();
  /* 16 */ virtual int32_t dup();
  /* 17 */ virtual int32_t dup2();
  /* 18 */ virtual int32_t dupX1();
  /* 19 */ virtual int32_t dup2X1();
  /* 20 */ virtual int32_t dupX2();
  /* 21 */ virtual int32_t dup2X2();
  /* 22 */ virtual int32_t swap();
  /* 23 */ virtual int32_t negate(int32_t type);
  /* 24 */ virtual int32_t booleanNot();
  /* 25 */ virtual int32_t binaryOp(int32_t type, int32_t op);
  /* 26 */ virtual int32_t convert(int32_t from, int32_t to);
  /* 27 */ virtual int32_t branchIf(int32_t cond, int32_t target);
  /* 28 */ virtual int32_t branchIfIntCompare(int32_t cond, int32_t target);
  /* 29 */ virtual int32_t branchIfRefCompare(int32_t cond, int32_t target);
  /* 30 */ virtual int32_t compare(int32_t type, int32_t kind);
  /* 31 */ virtual int32_t branchAlways(int32_t target);
  /* 32 */ virtual int32_t returnValue(int32_t type);
  /* 33 */ virtual int32_t tableSwitch(uint32_t table, int32_t defaultTarget, int32_t low, int32_t high);
  /* 34 */ virtual int32_t lookupSwitch(uint32_t table, int32_t defaultTarget, int32_t pairs);
  /* 35 */ virtual int32_t getField(uint32_t index);
  /* 36 */ virtual int32_t putField(uint32_t index);
  /* 37 */ virtual int32_t getStatic(uint32_t index);
  /* 38 */ virtual int32_t putStatic(uint32_t index);
  /* 39 */ virtual int32_t invokeInterface(uint32_t index, uint32_t argumentCount);
  /* 40 */ virtual int32_t invokeSpecial(uint32_t index);
  /* 41 */ virtual int32_t invokeStatic(uint32_t index);
  /* 42 */ virtual int32_t invokeVirtual(uint32_t index);
  /* 43 */ virtual int32_t invokeNative(int32_t resultType, uint32_t function);
  /* 44 */ virtual int32_t throwException();
  /* 45 */ virtual int32_t newObject(uint32_t index);
  /* 46 */ virtual int32_t newArray(int32_t arrayType);
  /* 47 */ virtual int32_t newObjectArray(uint32_t index);
  /* 48 */ virtual int32_t newMultiArray(uint32_t index, uint32_t dimensions);
  /* 49 */ virtual int32_t checkCast(uint32_t index);
  /* 50 */ virtual int32_t instanceOf(uint32_t index);
  /* 51 */ virtual int32_t monitorEnter();
  /* 52 */ virtual int32_t monitorExit();
  /* 53 */ virtual int32_t fastInvokeVirtual(uint32_t index);
  /* 54 */ virtual int32_t fastInvokeDirect(uint32_t index);
  /* 55 */ virtual int32_t fastInvokeSuper(uint32_t index);
  /* 56 */ virtual int32_t fastGetField(int32_t type, uint32_t byteOffset);
  /* 57 */ virtual int32_t fastPutField(int32_t type, uint32_t byteOffset);
  // Load local 0 and get a field of it; the base calls loadLocal (object,
  // 0) and then fastGetField (type, operand byte at bci + 1 times 4).
  /* 58 */ virtual int32_t fastLoadThisGetField(int32_t type);
  // Never called by the decoder.
  /* 59 */ virtual int32_t reserved();
  // Undefined opcodes, a bad wide or ldc, an instruction cut off by the end
  // of the range or of the code.
  /* 60 */ virtual int32_t illegalInstruction();

  // The method being walked and the bci of the current instruction, both
  // written by vsBytecodes_visit.
  VmHandle method;
  uint32_t bci = 0;
  // A walk that runs inside a collection clears this: an ldc of a string
  // that is not resolved yet then hands pushObject a handle holding null
  // instead of resolving it.
  bool resolvesStrings = true;

 private:
  VmPtr<VmHandle> savedRoots;
};

// The target of a branch offset from bci; a hostile offset wraps around
// instead of overflowing.
inline int32_t vsBytecodes_target(uint32_t bci, int32_t offset) {
  return static_cast<int32_t>(bci + static_cast<uint32_t>(offset));
}

// Decodes the instruction at bci of the method and calls its operation
// (prolog first, epilog after an operation that raised nothing); returns
// the result of the last operation called.
int32_t vsBytecodes_visit(const VmRef* method, uint32_t bci, vsBytecodeClosure* closure);
// Visits the instructions of [from, to) in order. An instruction that runs
// past `to` (or past the code), or whose length is unknown, is reported
// once to illegalInstruction and ends the walk, as does a pending exception.
int32_t vsBytecodes_iterate(const VmRef* method, uint32_t from, uint32_t to, vsBytecodeClosure* closure);
