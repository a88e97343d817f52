// Mutexes of the CE layer: CreateMutexW and ReleaseMutex (waits on them:
// ce/core/wait.h).
//
// A mutex is owned by at most one thread, recursively: each satisfied wait
// of the owner counts once more, each ReleaseMutex once less, and at zero it
// is free. Only the owner may release it (ERROR_NOT_OWNER otherwise).
//
// A named mutex is one object for every CreateMutexW of that name (compared
// exactly); a create that finds the name returns a handle to it and sets
// ERROR_ALREADY_EXISTS, a create that makes it clears the last error. The
// name lives until its last handle is closed. Names are kept in this process.
#pragma once

#include "ce/core/kernel_object.h"
#include "ce/core/wait.h"
#include "ce/core/windows_types.h"

// Security attributes are ignored as on CE. With initialOwner the calling
// thread owns a mutex this call makes.
HANDLE CreateMutexW(LPVOID attributes, BOOL initialOwner, LPCWSTR name);

// FALSE with ERROR_NOT_OWNER when the calling thread does not own the mutex,
// with ERROR_INVALID_HANDLE for a handle that is no mutex.
BOOL ReleaseMutex(HANDLE mutex);

// With the kernel lock held: true when the mutex is free or owned by thread
// `threadId`, which then owns it once more.
bool vsCeMutex_takeLocked(KernelObject* mutex, DWORD threadId);

// CloseHandle of a mutex (kernel_object.cpp dispatches here).
BOOL vsCeMutex_close(HANDLE mutex);
