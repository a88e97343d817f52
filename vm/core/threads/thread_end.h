// The end of a green thread: what its first frames do once the pending
// calls of its start (run()V) have returned.
//
// The interpreter's thread start runs the steps in this order; the first
// three only when the first frames' flag word is 0 and no VM exit is in
// progress:
//   1. vsThread_uncaughtException, when an exception is pending;
//   2. vsThread_queueInternalExit, whose call then runs like the others;
//   3. vsThread_markFinished;
//   4. vsThread_exit, always.
// After step 4 the interpreter goes on with the thread that is then
// current, or returns to the runtime when the ended thread is still the
// current one (no thread is left to run).
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Prints the heading and the pending exception's stack trace on the error
// stream (as a stack-trace print) and clears it.
void vsThread_printUncaught(const char* heading);

// "Uncaught exception: " and the pending exception's stack trace; the
// exception is cleared and told to the platform's uncaught-exception hook.
void vsThread_uncaughtException();

// Queues the call of the private synchronized internalExit()V of
// java.lang.Thread on the current thread's java.lang.Thread: the call
// wakes the threads that join it. Without memory the call is left out.
void vsThread_queueInternalExit();

// Sets word 4 (finished) of the current thread's java.lang.Thread to 1.
void vsThread_markFinished();

// Ends the current thread: clears the pending exception, terminates the
// thread, reschedules, drops its stack chunk and switches to the next
// thread when there is one.
void vsThread_exit();

// Takes the thread out of the scheduler: thread count - 1 and the waiting
// records resized to it, off its run queue, next thread picked again, off
// the thread list.
void vsThread_terminate(const VmRef* thread);
