// The interpreter: one threaded loop that runs the bytecode of every method
// of the current green thread, with the frames of interpreter_frames.h in
// the thread's Java stack.
//
// The loop's locals are the VM registers (Java stack pointer, frame
// pointer, locals pointer, pool entry base, bytecode pointer); the handler
// of opcode o is word o of the VM globals block. An invoke pushes the
// callee's frame and goes on in the same activation, a return resumes the
// caller from its frame: Java calls never nest C calls, so the native stack
// holds only the runtime's caller, the loop and at most one runtime
// function with its callees.
//
// Every operand lives in its stack slot (operand i at SP + 4i) whenever
// the loop calls out. Values of 64 bits are two words, the low word at the
// lower address: on top of the operand stack, in local n + 1 (local n
// holds the high word), first in objects and statics.
//
// The runtime hands Java code to a thread as pending calls (an argument
// block: word 2 the method, word 3 the next call, then {value, type} per
// argument). They run under a guard frame, in the loop, in their order.
// An exception that no frame above the guard frame catches comes back
// pending.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Fills the dispatch table of the VM globals and the runtime-entry table.
void vsInterpreter_initialize();

// Runs the pending calls of the current thread (the thread record in the
// VM globals' current-thread word) under a guard frame below the thread's
// saved stack pointer, or at its stack base when it has none. Returns when
// they are done: the result words of the last call (19 and 20 of the
// thread record), or the uncaught exception pending with the remaining
// calls dropped.
void vsInterpreter_runPendingCalls();

// The continuation word of an interpreted frame that is to go on at its
// saved bytecode pointer (where the exception dispatcher leaves a frame
// that catches).
VmWord vsInterpreter_continueAtSavedBcpToken();
