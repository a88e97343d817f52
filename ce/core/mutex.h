// Mutexes of the CE layer: CreateMutexW and ReleaseMutex (waits on them:
// ce/core/wait.h).
//
// A mutex is owned by at most one thread, recursively: each satisfied wait
// of the owner counts once more, each ReleaseMutex once less, and at zero it
// is free. Only the owner may release it (ERROR_NOT_OWNER otherwise). A
// thread made by CreateThread that ends while owning mutexes abandons them:
// each becomes free, and the wait that takes it next returns WAIT_ABANDONED_0
// + its index (the taker then owns it), so no waiter hangs on a dead owner.
//
// A named mutex is one object for every CreateMutexW of that name (compared
// exactly) in this process; a create that finds the name returns a handle to
// it and sets ERROR_ALREADY_EXISTS, a create that makes it clears the last
// error. The name lives until its last handle is closed. Whether a name
// exists is a device-wide question when a name hook is installed (the device
// server's client installs one on x86-64): every create and close of a named
// handle goes through it, so a name held by another process also gives
// ERROR_ALREADY_EXISTS, and it is freed when the last handle on the device
// is closed or its processes end. Waits stay within the process. Without the
// hook (armel) names are kept in this process only.
#pragma once

#include "ce/core/kernel_object.h"
#include "ce/core/wait.h"
#include "ce/core/windows_types.h"

// Security attributes are ignored as on CE. With initialOwner the calling
// thread owns a mutex this call makes. Null with the hook's error when the
// device refuses the name (ERROR_NOT_ENOUGH_QUOTA).
HANDLE CreateMutexW(LPVOID attributes, BOOL initialOwner, LPCWSTR name);

// FALSE with ERROR_NOT_OWNER when the calling thread does not own the mutex,
// with ERROR_INVALID_HANDLE for a handle that is no mutex.
BOOL ReleaseMutex(HANDLE mutex);

// The device-wide names: create answers 0 (new name), ERROR_ALREADY_EXISTS
// or another CE error; close gives one handle of the name back. Called
// without the kernel lock.
struct MutexNameHook {
  DWORD (*create)(LPCWSTR name);
  void (*close)(LPCWSTR name);
};
void vsCeMutex_setNameHook(const MutexNameHook* hook);

// What vsCeMutex_takeLocked found.
enum class MutexTake { Busy, Taken, Abandoned };

// With the kernel lock held: Taken (or Abandoned, when its last owner ended
// holding it) when the mutex is free or owned by thread `threadId`, which
// then owns it once more; Busy otherwise.
MutexTake vsCeMutex_takeLocked(KernelObject* mutex, DWORD threadId);

// With the kernel lock held: the thread has ended; its mutexes are abandoned.
void vsCeMutex_abandonLocked(DWORD threadId);

// CloseHandle of a mutex (kernel_object.cpp dispatches here).
BOOL vsCeMutex_close(HANDLE mutex);
