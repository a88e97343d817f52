// Threads of the CE layer: CreateThread, GetCurrentThreadId,
// SetThreadPriority, GetThreadPriority and Sleep.
//
// Every thread runs on a low stack (ce/substrate/low_thread.h), so VM code
// may run on any of them. A requested stack below kMinThreadStack is raised
// to it: CE threads ask for a few KiB, which cannot hold a Linux thread.
//
// Thread ids are CE-style numbers handed out by this layer (the first call of
// GetCurrentThreadId on a thread that was not created here gives it one).
// Priorities use the CE numbers 0 (time critical) to 7 (idle); the value is
// kept and returned exactly and applied to Linux as a nice value, best effort.
//
// Lifetime: a thread object lives until both its handle is closed and its
// function has returned. The last of the two releases it; when the function
// returns after the close, the thread queues itself and the next CreateThread
// or CloseHandle joins it and frees its stack (a thread cannot unmap its own
// stack).
#pragma once

#include <cstddef>

#include "ce/core/windows_types.h"

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

constexpr int THREAD_PRIORITY_TIME_CRITICAL = 0;
constexpr int THREAD_PRIORITY_HIGHEST = 1;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 2;
constexpr int THREAD_PRIORITY_NORMAL = 3;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = 4;
constexpr int THREAD_PRIORITY_LOWEST = 5;
constexpr int THREAD_PRIORITY_ABOVE_IDLE = 6;
constexpr int THREAD_PRIORITY_IDLE = 7;
constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kMinThreadStack = size_t{1} << 20;
#else
constexpr size_t kMinThreadStack = size_t{256} << 10;
#endif

// Starts start(parameter) at once (creation flags are not supported: any
// non-zero flags give null). Stores the new thread's id through threadId
// when it is not null. Null when the thread cannot be had.
HANDLE CreateThread(LPVOID attributes, DWORD stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD creationFlags, LPDWORD threadId);

DWORD GetCurrentThreadId();

// FALSE for a priority outside 0..7 or a handle that is not a thread.
BOOL SetThreadPriority(HANDLE thread, int priority);
// The priority last set (THREAD_PRIORITY_NORMAL at creation), or
// THREAD_PRIORITY_ERROR_RETURN for a handle that is not a thread.
int GetThreadPriority(HANDLE thread);

// INFINITE sleeps for ever.
void Sleep(DWORD milliseconds);

// The stack size a thread gets for a request of `requested` bytes.
size_t vsCeThread_stackBytes(DWORD requested);

// CloseHandle of a thread (kernel_object.cpp dispatches here).
BOOL vsCeThread_close(HANDLE thread);
