// Creation and start of green threads.
//
// A thread is a thread record (thread_record.h) with a stack chunk of its
// own, both in the Java heap. Creating it makes the record, the chunk and
// their links; starting it counts it, makes it runnable and puts it at the
// head of the list of live threads (root 61, linked through the
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

// The stack of the main thread.
int32_t vsThread_createMain(const VmRef* thread);

// Thread count + 1, runnable, head of the thread list; outside the image
// build also clears the start-pending word of its java.lang.Thread.
void vsThread_start(const VmRef* thread);

// Appends a pending call (an argument block whose word 3 links the next
// call) at the end of the thread's list.
void vsThread_appendPendingCall(const VmRef* thread, const VmRef* call);
