// Threads (see thread.h).
#include "ce/core/thread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>

#include "ce/base/lasterror.h"
#include "ce/core/mutex.h"
#include "ce/substrate/low_thread.h"

namespace {

struct Thread {
  KernelObject header;
  LowThread low;
  LPTHREAD_START_ROUTINE start;
  LPVOID parameter;
  DWORD id;
  // Guarded by the kernel lock.
  int priority;
  pid_t kernelId;  // 0 until the thread runs
  DWORD suspendCount;
  bool terminateRequested;
  DWORD terminateCode;
  bool finished;
  DWORD exitCode;
  bool handleClosed;
  Thread* nextFinished;  // in gFinishedAfterClose
};

// Best-effort nice value of each CE priority.
constexpr int kNiceOfPriority[8] = {-10, -5, -2, 0, 2, 5, 10, 19};

// Threads that ended after their handle was closed, waiting to be joined: a
// list through the objects themselves, so nothing of it is destroyed at exit
// while a thread may still add itself.
Thread* gFinishedAfterClose = nullptr;  // guarded by the kernel lock
std::atomic<DWORD> gNextThreadId{1};
std::atomic<void (*)(DWORD)> gCreatedHook{nullptr};
std::atomic<void (*)(DWORD)> gEndedHook{nullptr};
thread_local DWORD tThreadId = 0;
thread_local Thread* tThread = nullptr;  // null on threads not made by CreateThread

Thread* threadOf(HANDLE handle) {
  return reinterpret_cast<Thread*>(vsCeObject_get(handle, KernelObjectKind::Thread));
}

Thread* threadOrError(HANDLE handle) {
  Thread* t = threadOf(handle);
  if (t == nullptr)
    SetLastError(ERROR_INVALID_HANDLE);
  return t;
}

void applyPriority(const Thread* t) {
  if (t->kernelId != 0)
    setpriority(PRIO_PROCESS, static_cast<id_t>(t->kernelId), kNiceOfPriority[t->priority]);
}

void release(Thread* t) {
  vsLowThread_join(&t->low, nullptr);
  delete t;
}

// Joins and frees the threads that ended after their handle was closed.
void reapFinished() {
  vsCeKernel_lock();
  Thread* done = gFinishedAfterClose;
  gFinishedAfterClose = nullptr;
  vsCeKernel_unlock();
  while (done != nullptr) {
    Thread* next = done->nextFinished;
    release(done);
    done = next;
  }
}

// With the kernel lock held: records the end of t and signals its handle.
void finishLocked(Thread* t, DWORD exitCode) {
  if (void (*ended)(DWORD) = gEndedHook.load())
    ended(t->id);
  vsCeMutex_abandonLocked(t->id);
  t->finished = true;
  t->exitCode = exitCode;
  if (t->handleClosed) {
    t->nextFinished = gFinishedAfterClose;
    gFinishedAfterClose = t;
  }
  vsCeKernel_broadcast();
}

// With the kernel lock held, on the thread itself: ends it.
[[noreturn]] void exitLocked(Thread* self, DWORD exitCode) {
  if (self != nullptr)
    finishLocked(self, exitCode);
  vsCeKernel_unlock();
  pthread_exit(nullptr);
}

void* threadMain(void* arg) {
  auto* t = static_cast<Thread*>(arg);
  tThreadId = t->id;
  tThread = t;
  vsCeKernel_lock();
  t->kernelId = static_cast<pid_t>(syscall(SYS_gettid));
  applyPriority(t);
  vsCeThread_suspensionPointLocked();
  vsCeKernel_unlock();
  const DWORD exitCode = t->start(t->parameter);
  vsCeKernel_lock();
  finishLocked(t, exitCode);
  vsCeKernel_unlock();
  return nullptr;
}

}  // namespace

size_t vsCeThread_stackBytes(DWORD requested) {
  return requested < kMinThreadStack ? kMinThreadStack : requested;
}

HANDLE CreateThread(LPVOID, DWORD stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creationFlags, LPDWORD threadId) {
  reapFinished();
  if (start == nullptr ||
      (creationFlags & ~(CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION)) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* t = new Thread{};
  t->header = {kKernelObjectMagic, KernelObjectKind::Thread};
  t->start = start;
  t->parameter = parameter;
  t->id = gNextThreadId.fetch_add(1);
  t->priority = THREAD_PRIORITY_NORMAL;
  t->suspendCount = (creationFlags & CREATE_SUSPENDED) != 0 ? 1 : 0;
  if (void (*created)(DWORD) = gCreatedHook.load()) {
    vsCeKernel_lock();
    created(t->id);
    vsCeKernel_unlock();
  }
  if (!vsLowThread_start(&t->low, threadMain, t, vsCeThread_stackBytes(stackSize))) {
    if (void (*ended)(DWORD) = gEndedHook.load()) {
      vsCeKernel_lock();
      ended(t->id);
      vsCeKernel_unlock();
    }
    delete t;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (threadId != nullptr)
    *threadId = t->id;
  return t;
}

DWORD GetCurrentThreadId() {
  if (tThreadId == 0)
    tThreadId = gNextThreadId.fetch_add(1);
  return tThreadId;
}

DWORD SuspendThread(HANDLE thread) {
  Thread* t = threadOrError(thread);
  if (t == nullptr)
    return kSuspendCountFailed;
  vsCeKernel_lock();
  const DWORD previous = t->suspendCount;
  if (previous >= MAXIMUM_SUSPEND_COUNT || t->finished) {
    vsCeKernel_unlock();
    SetLastError(ERROR_INVALID_PARAMETER);
    return kSuspendCountFailed;
  }
  ++t->suspendCount;
  if (t == tThread)
    vsCeThread_suspensionPointLocked();
  vsCeKernel_unlock();
  return previous;
}

DWORD ResumeThread(HANDLE thread) {
  Thread* t = threadOrError(thread);
  if (t == nullptr)
    return kSuspendCountFailed;
  vsCeKernel_lock();
  const DWORD previous = t->suspendCount;
  if (previous > 0 && --t->suspendCount == 0)
    vsCeKernel_broadcast();
  vsCeKernel_unlock();
  return previous;
}

BOOL TerminateThread(HANDLE thread, DWORD exitCode) {
  Thread* t = threadOrError(thread);
  if (t == nullptr)
    return FALSE;
  vsCeKernel_lock();
  if (!t->finished && !t->terminateRequested) {
    t->terminateRequested = true;
    t->terminateCode = exitCode;
    vsCeKernel_broadcast();
    if (t == tThread)
      exitLocked(t, exitCode);
  }
  vsCeKernel_unlock();
  return TRUE;
}

void ExitThread(DWORD exitCode) {
  vsCeKernel_lock();
  exitLocked(tThread, exitCode);
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  Thread* t = threadOrError(thread);
  if (t == nullptr || exitCode == nullptr)
    return FALSE;
  vsCeKernel_lock();
  *exitCode = t->finished ? t->exitCode : STILL_ACTIVE;
  vsCeKernel_unlock();
  return TRUE;
}

void vsCeThread_suspensionPointLocked() {
  Thread* self = tThread;
  if (self == nullptr)
    return;
  for (;;) {
    if (self->terminateRequested)
      exitLocked(self, self->terminateCode);
    if (self->suspendCount == 0)
      return;
    vsCeKernel_block(nullptr);
  }
}

void vsCeThread_setHooks(void (*created)(DWORD), void (*ended)(DWORD)) {
  gCreatedHook.store(created);
  gEndedHook.store(ended);
}

bool vsCeThread_endedLocked(KernelObject* thread) {
  return reinterpret_cast<Thread*>(thread)->finished;
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
  Thread* t = threadOf(thread);
  if (t == nullptr || priority < THREAD_PRIORITY_TIME_CRITICAL || priority > THREAD_PRIORITY_IDLE)
    return FALSE;
  vsCeKernel_lock();
  t->priority = priority;
  applyPriority(t);
  vsCeKernel_unlock();
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  Thread* t = threadOf(thread);
  if (t == nullptr)
    return THREAD_PRIORITY_ERROR_RETURN;
  vsCeKernel_lock();
  const int priority = t->priority;
  vsCeKernel_unlock();
  return priority;
}

void Sleep(DWORD milliseconds) {
  const timespec deadline = vsCeKernel_deadline(milliseconds == INFINITE ? 0 : milliseconds);
  vsCeKernel_lock();
  bool timedOut = false;
  for (;;) {
    vsCeThread_suspensionPointLocked();
    if (timedOut)
      break;
    timedOut = !vsCeKernel_block(milliseconds == INFINITE ? nullptr : &deadline);
  }
  vsCeKernel_unlock();
}

BOOL vsCeThread_close(HANDLE thread) {
  Thread* t = threadOf(thread);
  if (t == nullptr)
    return FALSE;
  vsCeKernel_lock();
  t->header.magic = 0;
  t->handleClosed = true;
  const bool finished = t->finished;
  vsCeKernel_unlock();
  if (finished)
    release(t);
  reapFinished();
  return TRUE;
}
