// Creation, start and switching of green threads.
//
// A thread is a thread record (thread_record.h) with a stack chunk of its
// own, both in the Java heap. Creating it makes the record, the chunk and
// their links, and lays the thread's first frames at the stack base (the
// interpreter's vsThreadStack_initFirstFrames): the saved stack pointer
// then names the transition {frame pointer 0, thread start}, so the
// thread's first run takes its pending calls and then ends the thread
// (thread_end.h). Starting it counts it, makes it runnable and puts it at
// the head of the list of live threads (root 61, linked through the
// thread-list field). Functions that take `const VmRef*` take a GC handle.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// No current thread, and a yield word of 0.
void vsThread_reset();

// The record of a new thread for the java.lang.Thread, with its stack:
// the record, or 0 with an exception pending.
VmRef vsThread_new(const VmRef* javaThread);

// Gives the thread a chunk of StackSize bytes: chunk and thread point to
// each other and the stack limit is chunk + StackPadding. 1, or 0 with an
// exception pending (the thread keeps no chunk).
int32_t vsThread_createStack(const VmRef* thread);

// Room for one waiting record, then the stack of the main thread.
int32_t vsThread_createMain(const VmRef* thread);

// Outside the image build, waiting records for one thread more (when that
// fails: OutOfMemoryError pending and the thread not started); thread
// count + 1, runnable, head of the thread list; outside the image build
// also clears the start-pending word of its java.lang.Thread.
void vsThread_start(const VmRef* thread);

// The work of Thread.start: the call of run()V of the class of the
// thread's java.lang.Thread on that object is appended to its pending
// calls, and the thread started. A class without run()V is fatal (133).
void vsThread_startJavaThread(const VmRef* thread);

// Makes the thread current, once the interpreter has saved the current
// one: the pending exception moves into the old thread's deferred
// exception, the new thread's deferred exception becomes pending, and the
// yield word takes the new stack limit, keeping the yield request.
void vsThread_switchTo(VmRef thread);

// Whether the address lies within the chunk object, header included.
bool vsStackChunk_contains(VmRef chunk, VmWord address);

// Appends a pending call (an argument block whose word 3 links the next
// call) at the end of the thread's list.
void vsThread_appendPendingCall(const VmRef* thread, const VmRef* call);

// Whether the java.lang.Thread lives: it has a thread record (word 3), has
// not finished (word 4) and has no start pending (word 5).
bool vsThread_isAliveTest(VmRef javaThread);
