// Kernel objects of the CE layer: the header every HANDLE points at, the
// kernel lock, and CloseHandle.
//
// A HANDLE is the address of a host-heap object that starts with a
// KernelObject header. The header carries a magic word and the kind, so a
// null, stale or foreign handle is refused (FALSE, WAIT_FAILED, ...) instead
// of being used. Closing dispatches on the kind: events and threads are
// closed here, and a module that brings a kind of its own (files, find
// handles) registers its close function, so this library links none of them.
//
//   HANDLE -> | magic | kind | object of that kind ... |
//
// The state of every waitable object (events, mutexes, threads) and of every
// thread's suspension is guarded by one process-wide kernel lock, with one
// condition broadcast on each change. A wait on several objects then tests
// them all under one lock, and a thread blocked in any wait sees a
// suspension or termination request as soon as it is made.
#pragma once

#include <time.h>

#include <cstdint>

#include "ce/core/windows_types.h"

enum class KernelObjectKind : uint32_t { Event = 1, Thread = 2, File = 3, Find = 4, Mutex = 5, Process = 6 };

constexpr uint32_t kKernelObjectKinds = 7;

struct KernelObject {
  uint32_t magic;
  KernelObjectKind kind;
};

constexpr uint32_t kKernelObjectMagic = 0x4B4F424Au;  // "KOBJ"

// The object behind a handle when it is a live object of that kind, else null.
KernelObject* vsCeObject_get(HANDLE handle, KernelObjectKind kind);

// The kernel lock. vsCeKernel_broadcast and vsCeKernel_block need it held.
void vsCeKernel_lock();
void vsCeKernel_unlock();
// Wakes every thread blocked in vsCeKernel_block: some object changed.
void vsCeKernel_broadcast();
// Releases the lock until the next broadcast or the monotonic deadline
// (null: none) and takes it again; false once the deadline has passed.
bool vsCeKernel_block(const struct timespec* deadline);
// The monotonic time `milliseconds` from now.
struct timespec vsCeKernel_deadline(DWORD milliseconds);

// The handle value the CE calls return for "no handle" (never an object).
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

// Makes CloseHandle call close for handles of this kind (a kind registered
// by another module: File, Find).
void vsCeObject_setCloser(KernelObjectKind kind, BOOL (*close)(HANDLE handle));

// Closes a handle through its kind's close function; FALSE for a handle that
// is no live object or whose kind has none.
BOOL CloseHandle(HANDLE handle);
