// The bytecode verifier: a one-pass type checker over preverified code.
//
// Each method carries a stack map (the parser's form: per frame a short[]
// {bci, L, L local types, S, S stack types} and an Object[] of the class
// names of type-7 items). The verifier walks the code once in bci order,
// keeping one verification type per local and stack slot:
//
//   0 top   1 int   2 float   3/10 double (first/second)   4/9 long
//   5 null  6 uninitialized this   7 object of a named class
//   0x1000 | (B & 0x0FFF) | (B & 0x7000) << 1   uninitialized object of
//                                               the `new` at bci B
//
// and compares the frame with the map at every entry, branch target and
// handler. Nothing iterates to a fixed point: the map is the contract. A
// failure is java/lang/Error whose message is the code (vm_errors.h,
// "the bytecode verifier") printed with "%3d".
//
// After all methods of a class pass, their maps become compact maps
// (stack_maps.h) and the class is flagged verified (class-info 0x08000000,
// mirror status 0x02).
//
// VM-wide state: a 512-entry int table from bci to map position, shared by
// every method (VM globals word 1064, so the collector keeps it and moves
// it; vsVerifier_releaseBciIndex drops it between verifications), its
// limit, and the depth of verifications under way. A verification that
// starts inside another (a class load may link a class) saves the outer's
// table and limit and gives them back when it ends.
#pragma once

#include <cstdint>

#include "vm/core/bytecode/bytecode_closure.h"

inline constexpr uint32_t kVerifierBciIndexSize = 512;

class vsVerifierClosure : public vsBytecodeClosure {
 public:
  explicit vsVerifierClosure(const VmRef* method);

  // Steps 1 to 8 of a method's verification (tables, checks before the
  // walk, the initial frame): false with the failure pending.
  bool start();
  // Steps 9 and 10: the walk and the end checks.
  void walk();

  VmHandle cls;         // the method's class
  VmHandle pool;        // its constant pool
  VmHandle stackMap;    // parser-form map
  VmHandle starts;      // instruction starts (bci_tables.h)
  VmHandle stackTypes;  // short[capacity]
  VmHandle stackNames;  // Object[capacity]
  VmHandle localTypes;  // short[locals]
  VmHandle localNames;  // Object[locals]
  VmHandle savedName;   // stack slot 0's name while a handler is checked
  uint32_t depth = 0;
  uint32_t capacity = 0;  // the class file's max_stack
  uint32_t locals = 0;
  uint32_t codeLength = 0;
  uint32_t savedDepth = 0;
  uint16_t savedType = 0;
  bool thisUninitialized = false;
  bool isInitializer = false;
  bool noFallThrough = false;
  bool hasHandlers = false;
  uint32_t mapPosition = 0;  // next entry, in elements (steps of 2)
  uint32_t mapLength = 0;

  // Verification types of the slots, for the tag cross-check.
  uint16_t localType(uint32_t i);
  uint16_t stackType(uint32_t i);

  int32_t prolog() override;
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
  int32_t throwException() override;
  int32_t newObject(uint32_t index) override;
  int32_t newArray(int32_t arrayType) override;
  int32_t newObjectArray(uint32_t index) override;
  int32_t newMultiArray(uint32_t index, uint32_t dimensions) override;
  int32_t checkCast(uint32_t index) override;
  int32_t instanceOf(uint32_t index) override;
  int32_t monitorEnter() override;
  int32_t monitorExit() override;
  int32_t fastInvokeVirtual(uint32_t index) override;
  int32_t fastInvokeDirect(uint32_t index) override;
  int32_t fastInvokeSuper(uint32_t index) override;
  int32_t fastGetField(int32_t type, uint32_t byteOffset) override;
  int32_t fastPutField(int32_t type, uint32_t byteOffset) override;
  int32_t fastLoadThisGetField(int32_t type) override;
  int32_t reserved() override;
  int32_t illegalInstruction() override;

 private:
  // Slots: the type and name arrays of the stack (isStack) or the locals.
  uint16_t typeAt(bool isStack, uint32_t i);
  VmRef nameAt(bool isStack, uint32_t i);
  void setSlot(bool isStack, uint32_t i, uint16_t type, VmRef name);
  // Primitives; each returns false with the failure pending.
  bool push(uint16_t type, VmRef name);
  bool pushBasic(int32_t basicType);
  bool popSingle(uint16_t* type, VmRef* name);
  bool popTyped(int32_t basicType);
  bool popReferenceLike(uint16_t* type, VmRef* name);
  // Pops a reference that must be null or assignable to the class named
  // in *target (a handle).
  bool popReferenceTo(const VmRef* target);
  bool popPair(uint16_t types[2], VmRef names[2]);
  bool writeLocal(uint32_t index, uint16_t type, VmRef name);
  // Frames against map entries.
  int32_t entryAt(uint32_t bci);
  bool frameMatches(uint32_t position);
  void setFrame(uint32_t position);
  bool checkTarget(int32_t target);
  bool checkHandlers();
  // Pool reads.
  bool classEntryName(uint32_t index, VmRef* name);
  int32_t field(uint32_t index, bool isStatic, bool isPut);
  int32_t invoke(uint32_t index, int32_t opcode, uint32_t countByte);
  bool initializeObject(uint16_t receiver, const VmRef* methodClass);
  void replaceType(uint16_t from, uint16_t to, VmRef name);
  bool coversBci(uint32_t bci);
};

// Verifies the class (a handle) unless it is verified already; allocates
// the bci table on first use. False with the failure pending.
bool vsVerifier_verifyClass(const VmRef* cls);
// Verifies every method that is neither native nor abstract, stopping at
// the first failure; then compresses the maps and flags the class.
bool vsVerifier_verifyAllMethods(const VmRef* cls);
// Verifies one method; false with the failure pending.
bool vsVerifier_verifyMethod(const VmRef* method);
// vsVerifier_releaseBciIndex, which the collector calls before a
// collection, is declared with the collector's hooks (gc_hooks.h).
// Whether a verification is under way.
bool vsVerifier_isVerifying();
// Raises the verification error `code` (java/lang/Error, "%3d").
void vsVerifier_fail(int32_t code);

// While the class image is built no exception can be made: the romizer
// takes each failure here first, with the method and the bci, and ends
// the build. Null in the VM.
using vsVerifierFailureHook = void (*)(int32_t code, const VmRef* method, uint32_t bci);
void vsVerifier_setFailureHook(vsVerifierFailureHook hook);

// Verification types as the assignability rules see them.
bool vsVerifier_isAssignable(uint16_t type, const VmRef* name, uint16_t targetType, const VmRef* targetName);
// Class names (symbol handles); a class that cannot be loaded leaves its
// failure pending and answers false.
bool vsVerifier_isClassAssignable(const VmRef* name, const VmRef* targetName);

// Test hook: called with the class name each time assignability is about
// to load a class by name. Null in the VM.
using vsVerifierLoadHook = void (*)(const VmRef* name);
void vsVerifier_setLoadHook(vsVerifierLoadHook hook);
