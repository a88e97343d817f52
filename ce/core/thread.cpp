// Threads (see thread.h).
#include "ce/core/thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

#include "ce/core/kernel_object.h"
#include "ce/substrate/low_thread.h"

namespace {

struct Thread {
  KernelObject header;
  LowThread low;
  LPTHREAD_START_ROUTINE start;
  LPVOID parameter;
  DWORD id;
  // Guarded by gThreadsLock.
  int priority;
  pid_t kernelId;  // 0 until the thread runs
  bool finished;
  bool handleClosed;
  Thread* nextFinished;  // in gFinishedAfterClose
};

// Best-effort nice value of each CE priority.
constexpr int kNiceOfPriority[8] = {-10, -5, -2, 0, 2, 5, 10, 19};

// Threads that ended after their handle was closed, waiting to be joined: a
// list through the objects themselves, so nothing of it is destroyed at exit
// while a thread may still add itself.
std::mutex gThreadsLock;
Thread* gFinishedAfterClose = nullptr;  // guarded by gThreadsLock
std::atomic<DWORD> gNextThreadId{1};
thread_local DWORD tThreadId = 0;

Thread* threadOf(HANDLE handle) {
  return reinterpret_cast<Thread*>(vsCeObject_get(handle, KernelObjectKind::Thread));
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
  Thread* done;
  {
    std::lock_guard<std::mutex> guard(gThreadsLock);
    done = gFinishedAfterClose;
    gFinishedAfterClose = nullptr;
  }
  while (done != nullptr) {
    Thread* next = done->nextFinished;
    release(done);
    done = next;
  }
}

void* threadMain(void* arg) {
  auto* t = static_cast<Thread*>(arg);
  tThreadId = t->id;
  {
    std::lock_guard<std::mutex> guard(gThreadsLock);
    t->kernelId = static_cast<pid_t>(syscall(SYS_gettid));
    applyPriority(t);
  }
  t->start(t->parameter);
  std::lock_guard<std::mutex> guard(gThreadsLock);
  t->finished = true;
  if (t->handleClosed) {
    t->nextFinished = gFinishedAfterClose;
    gFinishedAfterClose = t;
  }
  return nullptr;
}

}  // namespace

size_t vsCeThread_stackBytes(DWORD requested) {
  return requested < kMinThreadStack ? kMinThreadStack : requested;
}

HANDLE CreateThread(LPVOID, DWORD stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creationFlags, LPDWORD threadId) {
  reapFinished();
  if (start == nullptr || creationFlags != 0)
    return nullptr;
  auto* t = new Thread{};
  t->header = {kKernelObjectMagic, KernelObjectKind::Thread};
  t->start = start;
  t->parameter = parameter;
  t->id = gNextThreadId.fetch_add(1);
  t->priority = THREAD_PRIORITY_NORMAL;
  if (!vsLowThread_start(&t->low, threadMain, t, vsCeThread_stackBytes(stackSize))) {
    delete t;
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

BOOL SetThreadPriority(HANDLE thread, int priority) {
  Thread* t = threadOf(thread);
  if (t == nullptr || priority < THREAD_PRIORITY_TIME_CRITICAL || priority > THREAD_PRIORITY_IDLE)
    return FALSE;
  std::lock_guard<std::mutex> guard(gThreadsLock);
  t->priority = priority;
  applyPriority(t);
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  Thread* t = threadOf(thread);
  if (t == nullptr)
    return THREAD_PRIORITY_ERROR_RETURN;
  std::lock_guard<std::mutex> guard(gThreadsLock);
  return t->priority;
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == INFINITE) {
    for (;;)
      pause();
  }
  timespec left{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

BOOL vsCeThread_close(HANDLE thread) {
  Thread* t = threadOf(thread);
  if (t == nullptr)
    return FALSE;
  bool finished;
  {
    std::lock_guard<std::mutex> guard(gThreadsLock);
    t->header.magic = 0;
    t->handleClosed = true;
    finished = t->finished;
  }
  if (finished)
    release(t);
  reapFinished();
  return TRUE;
}
