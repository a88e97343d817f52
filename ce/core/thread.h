// Threads of the CE layer: CreateThread, suspension, termination and exit
// codes, GetCurrentThreadId, SetThreadPriority, GetThreadPriority and Sleep.
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
// A thread handle is waitable (ce/core/wait.h): it is signalled when the
// thread has ended, and GetExitCodeThread then gives its exit code
// (STILL_ACTIVE before).
//
// Suspension points: a pthread cannot be frozen or killed safely at an
// arbitrary instruction (it may hold the heap, stdio or the VM lock), so
// SuspendThread and TerminateThread act at the thread's CE calls that block:
// on entry to, and while blocked in, a wait or Sleep (and the message waits
// of ce/user). A suspended thread stays there, even when its wait is
// satisfied, until its count is back at zero; a terminated one ends there
// (pthread_exit unwinds its stack) with the given code. A thread created
// suspended meets its first suspension point before its function, so when
// terminated before ResumeThread it never runs. A thread in pure computation
// goes on until its next such call.
//
// Lifetime: a thread object lives until both its handle is closed and its
// function has returned. The last of the two releases it; when the function
// returns after the close, the thread queues itself and the next CreateThread
// or CloseHandle joins it and frees its stack (a thread cannot unmap its own
// stack).
#pragma once

#include <cstddef>

#include "ce/core/kernel_object.h"
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

// Creation flags.
constexpr DWORD CREATE_SUSPENDED = 0x00000004;
constexpr DWORD STACK_SIZE_PARAM_IS_A_RESERVATION = 0x00010000;

constexpr DWORD STILL_ACTIVE = 259;
// The highest suspension count; SuspendThread beyond it fails.
constexpr DWORD MAXIMUM_SUSPEND_COUNT = 127;
// What ResumeThread and SuspendThread return on failure.
constexpr DWORD kSuspendCountFailed = 0xFFFFFFFFu;

#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kMinThreadStack = size_t{1} << 20;
#else
constexpr size_t kMinThreadStack = size_t{256} << 10;
#endif

// Starts start(parameter), at once or, with CREATE_SUSPENDED, at the first
// ResumeThread; the stack size is a reservation either way. Other flags give
// null with ERROR_INVALID_PARAMETER. Stores the new thread's id through
// threadId when it is not null. Null when the thread cannot be had.
HANDLE CreateThread(LPVOID attributes, DWORD stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD creationFlags, LPDWORD threadId);

DWORD GetCurrentThreadId();

// Both return the previous suspension count, or kSuspendCountFailed (with
// ERROR_INVALID_HANDLE for a handle that is no thread). SuspendThread of the
// calling thread suspends it at once.
DWORD SuspendThread(HANDLE thread);
DWORD ResumeThread(HANDLE thread);

// Makes the thread end with exitCode at its next suspension point (at once
// when it is the calling thread). TRUE also for a thread that has ended.
BOOL TerminateThread(HANDLE thread, DWORD exitCode);

// Ends the calling thread with exitCode.
[[noreturn]] void ExitThread(DWORD exitCode);

// STILL_ACTIVE while the thread runs, then its exit code.
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);

// FALSE for a priority outside 0..7 or a handle that is not a thread.
BOOL SetThreadPriority(HANDLE thread, int priority);
// The priority last set (THREAD_PRIORITY_NORMAL at creation), or
// THREAD_PRIORITY_ERROR_RETURN for a handle that is not a thread.
int GetThreadPriority(HANDLE thread);

// INFINITE sleeps for ever. A suspension point.
void Sleep(DWORD milliseconds);

// With the kernel lock held, in the calling thread: stays while the thread
// is suspended and ends it when it is terminated (a thread not created by
// CreateThread passes).
void vsCeThread_suspensionPointLocked();

// Calls created(id) in CreateThread before the new thread can run, and
// ended(id) when a thread made by CreateThread ends; both with the kernel
// lock held. Installed once by the message queues (ce/user), which so give
// every thread its queue from creation.
void vsCeThread_setHooks(void (*created)(DWORD threadId), void (*ended)(DWORD threadId));

// With the kernel lock held: true when the thread has ended.
bool vsCeThread_endedLocked(KernelObject* thread);

// The stack size a thread gets for a request of `requested` bytes.
size_t vsCeThread_stackBytes(DWORD requested);

// CloseHandle of a thread (kernel_object.cpp dispatches here).
BOOL vsCeThread_close(HANDLE thread);
