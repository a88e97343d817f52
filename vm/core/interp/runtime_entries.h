// The runtime entries: what the interpreter's handlers (and later compiled
// code) call for everything slow. The table entries take the address of
// the current-thread word of the VM globals first; an entry that raises
// leaves the exception pending and returns, and the caller throws it at the
// current bytecode.
//
// vsRuntimeEntryTable (VM globals 1228-1296), by slot:
//    0 growStack           6 throwNullPointer          12 multiANewArray
//    1 yieldCheck          7 newNullPointerException   13 instanceOf
//    2 monitorEnterSlow    8 throwIllegalMonitorState  14 checkCast
//    3 monitorExitSlow     9 newIllegalMonitorState... 15 arrayStoreCheck
//    4 throwArrayIndex    10 throwDivideByZero         16 ldiv (leaf)
//    5 newArrayIndexExc.  11 newDivideByZeroException  17 lrem (leaf)
// Slots 16 and 17 are leaf routines int64(int64, int64): the caller tests
// the divisor for 0 first.
//
// The resolution entries of the slow bytecodes (not in the table) take the
// running method and the bytecode's address. In code of the class image
// they never rewrite; elsewhere they rewrite once the holder class is
// initialised. A holder not yet initialised gets its initialisation queued
// as pending calls, after which the bytecode runs again.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"
#include "vm/core/threads/monitors.h"

// The slots of vsRuntimeEntryTable.
enum RuntimeSlot : uint32_t {
  kRuntimeSlotGrowStack = 0,
  kRuntimeSlotYieldCheck = 1,
  kRuntimeSlotMonitorEnterSlow = 2,
  kRuntimeSlotMonitorExitSlow = 3,
  kRuntimeSlotThrowArrayIndex = 4,
  kRuntimeSlotNewArrayIndexException = 5,
  kRuntimeSlotThrowNullPointer = 6,
  kRuntimeSlotNewNullPointerException = 7,
  kRuntimeSlotThrowIllegalMonitorState = 8,
  kRuntimeSlotNewIllegalMonitorStateException = 9,
  kRuntimeSlotThrowDivideByZero = 10,
  kRuntimeSlotNewDivideByZeroException = 11,
  kRuntimeSlotMultiANewArray = 12,
  kRuntimeSlotInstanceOf = 13,
  kRuntimeSlotCheckCast = 14,
  kRuntimeSlotArrayStoreCheck = 15,
  kRuntimeSlotLdiv = 16,
  kRuntimeSlotLrem = 17,
};

extern "C" {
// The current thread's stack grows so that neededStackPointer fits (the
// caller has stored the thread's in-runtime words); past the maximum,
// OutOfMemoryError is pending.
void vsRuntime_growStack(VmWord* threadSlot, VmWord neededStackPointer);
void vsRuntime_yieldCheck(VmWord* threadSlot);
// The contended halves of monitor enter and exit: the interpreter's fast
// path has filled or freed the lock record (monitors.h).
void vsRuntime_monitorEnterSlow(VmWord* threadSlot, LockRecord* record);
void vsRuntime_monitorExitSlow(VmWord* threadSlot, LockRecord* record);
void vsRuntime_throwArrayIndex(VmWord* threadSlot);
VmRef vsRuntime_newArrayIndexException(VmWord* threadSlot);
void vsRuntime_throwNullPointer(VmWord* threadSlot);
VmRef vsRuntime_newNullPointerException(VmWord* threadSlot);
void vsRuntime_throwIllegalMonitorState(VmWord* threadSlot);
VmRef vsRuntime_newIllegalMonitorStateException(VmWord* threadSlot);
void vsRuntime_throwDivideByZero(VmWord* threadSlot);
VmRef vsRuntime_newDivideByZeroException(VmWord* threadSlot);
// The entries of the current frame's bytecode (the caller has stored the
// thread's in-runtime words and the frame's bytecode pointer). Each
// resolves the class of the instruction's pool entry; a class that does
// not resolve leaves its error pending.
// multianewarray: the array of the counts on the operand stack (the
// outermost dimension deepest), 0 with an exception pending.
VmRef vsRuntime_multiANewArray(VmWord* threadSlot);
// instanceof, rewritten to its fast form: 1 when the object on top of the
// stack is an instance of the class, 0 for null or any other object.
int32_t vsRuntime_instanceOf(VmWord* threadSlot);
// checkcast, rewritten to its fast form: the object on top passes when it
// is null or an instance of the class, else ClassCastException (code 0).
void vsRuntime_checkCast(VmWord* threadSlot);
// aastore's store check: the value on top of the stack must be an instance
// of the element class of the array two words below, else
// ArrayStoreException (code 0).
void vsRuntime_arrayStoreCheck(VmWord* threadSlot);
int64_t vsRuntime_ldiv(int64_t dividend, int64_t divisor);
int64_t vsRuntime_lrem(int64_t dividend, int64_t divisor);
}

// Stores the entries this build has into the VM globals' table, and the
// four float routines into theirs (1308-1320).
void vsRuntime_fillEntryTable();

// ldc/ldc_w left slow: the constant's word (a String for a string entry).
// ldc2_w: checks that the entry is a long or double (else error 91) and
// rewrites; the caller reads the two words.
VmWord vsRuntime_resolveConstant(MethodRecord* method, uint32_t index, const uint8_t* bcp);
// getstatic/putstatic: the fast opcode to run (the slow one again when the
// holder's initialisation was queued), 0 with an exception pending.
uint8_t vsRuntime_resolveStatic(MethodRecord* method, const uint8_t* bcp);
// invokestatic: the method to call; 0 with an exception pending.
MethodRecord* vsRuntime_resolveInvokeStatic(MethodRecord* method, const uint8_t* bcp);
// getfield, putfield, invokevirtual, invokespecial, invokeinterface and
// anewarray of class-path code: the instruction, rewritten, runs as the
// fast opcode returned; 0 with an exception pending (code and entry then
// unchanged).
uint8_t vsRuntime_resolveMember(MethodRecord* method, const uint8_t* bcp);
// new: the instance (its constructor is the next bytecodes' business), 0
// with an exception pending or the initialisation queued.
VmRef vsRuntime_new(MethodRecord* method, const uint8_t* bcp);

// Prints the message and ends the VM with exit code 122.
[[noreturn]] void vsVm_fatal(const char* message);
