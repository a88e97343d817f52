// Threads whose stacks lie below 4 GiB.
//
// Locals of VM threads are handed to the VM as words (the GC handles of the
// core live on the VM thread's native stack), so every thread that runs VM
// code starts here. The stack is a low region with an inaccessible guard page
// at its bottom:
//
//   low address                                     high address
//   | guard page (PROT_NONE) | stack ...  grows downwards <- |
#pragma once

#include <pthread.h>

#include <cstddef>

struct LowThread {
  pthread_t thread;
  void* region;        // guard page and stack
  size_t regionBytes;
};

// Starts fn(arg) on a new thread with a low stack of at least stackBytes.
// Returns false (nothing started) when the stack or the thread cannot be had.
bool vsLowThread_start(LowThread* t, void* (*fn)(void*), void* arg, size_t stackBytes);

// Waits for the thread, stores its result in *result (if not null) and
// releases its stack.
void vsLowThread_join(LowThread* t, void** result);

