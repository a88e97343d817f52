// Waits on several objects, thread exit codes, suspension and termination at
// suspension points, mutexes (abandoned ones, device-wide names through the
// hook) and process handles. Each case runs its own threads and ends
// them; no case waits a fixed time for another thread to get somewhere.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "ce/base/lasterror.h"
#include "ce/core/event.h"
#include "ce/core/mutex.h"
#include "ce/core/process_handle.h"
#include "ce/core/thread.h"
#include "ce/core/wait.h"

namespace {

constexpr DWORD kLong = 30000;

// --- WaitForMultipleObjects ---------------------------------------------

struct MultiCase {
  const char* name;
  bool set[3];        // which of the three events are set before the wait
  BOOL manual[3];     // manual-reset events
  DWORD result;       // of the wait
  bool setAfter[3];   // state of each event after the wait (polled with 0)
};

TEST(CeKernelObjects, WaitForMultipleObjectsTable) {
  const MultiCase cases[] = {
      {"none set", {false, false, false}, {FALSE, FALSE, FALSE}, WAIT_TIMEOUT, {false, false, false}},
      {"lowest wins", {false, true, true}, {FALSE, FALSE, FALSE}, WAIT_OBJECT_0 + 1,
       {false, false, true}},
      {"auto-reset past the winner stays set", {true, false, true}, {FALSE, FALSE, FALSE},
       WAIT_OBJECT_0, {false, false, true}},
      {"manual winner stays set", {true, true, false}, {TRUE, FALSE, FALSE}, WAIT_OBJECT_0,
       {true, true, false}},
      {"last only", {false, false, true}, {TRUE, TRUE, FALSE}, WAIT_OBJECT_0 + 2,
       {false, false, false}},
  };
  for (const MultiCase& c : cases) {
    SCOPED_TRACE(c.name);
    HANDLE events[3];
    for (int i = 0; i < 3; ++i)
      events[i] = CreateEventW(nullptr, c.manual[i], c.set[i] ? TRUE : FALSE, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), c.result);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(WaitForSingleObject(events[i], 0) == WAIT_OBJECT_0, c.setAfter[i]) << "event " << i;
      CloseHandle(events[i]);
    }
  }
}

TEST(CeKernelObjects, WaitForMultipleObjectsRefusals) {
  HANDLE e = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  HANDLE many[MAXIMUM_WAIT_OBJECTS + 1];
  for (HANDLE& h : many)
    h = e;
  struct Refusal {
    const char* name;
    DWORD count;
    const HANDLE* handles;
    BOOL waitAll;
    DWORD error;
  };
  HANDLE withBad[2] = {e, reinterpret_cast<HANDLE>(&many)};
  const Refusal cases[] = {
      {"wait all", 1, many, TRUE, ERROR_INVALID_PARAMETER},
      {"no handles", 0, many, FALSE, ERROR_INVALID_PARAMETER},
      {"65 handles", MAXIMUM_WAIT_OBJECTS + 1, many, FALSE, ERROR_INVALID_PARAMETER},
      {"foreign handle", 2, withBad, FALSE, ERROR_INVALID_HANDLE},
  };
  for (const Refusal& c : cases) {
    SetLastError(0);
    EXPECT_EQ(WaitForMultipleObjects(c.count, c.handles, c.waitAll, 0), WAIT_FAILED) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
  EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS, many, FALSE, 0), WAIT_OBJECT_0);
  CloseHandle(e);
}

// --- threads ----------------------------------------------------------------

struct Worker {
  std::atomic<int> runs{0};
  HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // set before blocking
  HANDLE go = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  std::atomic<int> passedWait{0};
  DWORD code = 0;
  ~Worker() {
    CloseHandle(entered);
    CloseHandle(go);
  }
};

DWORD countAndReturn(LPVOID arg) {
  auto* w = static_cast<Worker*>(arg);
  w->runs.fetch_add(1);
  return w->code;
}

DWORD waitForGo(LPVOID arg) {
  auto* w = static_cast<Worker*>(arg);
  w->runs.fetch_add(1);
  SetEvent(w->entered);
  if (WaitForSingleObject(w->go, INFINITE) == WAIT_OBJECT_0)
    w->passedWait.fetch_add(1);
  return w->code;
}

DWORD sleepForever(LPVOID arg) {
  auto* w = static_cast<Worker*>(arg);
  w->runs.fetch_add(1);
  SetEvent(w->entered);
  Sleep(INFINITE);
  return 1;
}

DWORD exitEarly(LPVOID arg) {
  auto* w = static_cast<Worker*>(arg);
  w->runs.fetch_add(1);
  ExitThread(w->code);
}

DWORD exitCodeOf(HANDLE thread) {
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  return code;
}

TEST(CeKernelObjects, ThreadHandleIsSignalledWithItsCode) {
  struct Case {
    const char* name;
    LPTHREAD_START_ROUTINE start;
    DWORD code;
  };
  const Case cases[] = {{"return", waitForGo, 7}, {"ExitThread", exitEarly, 0xCAFE}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Worker w;
    w.code = c.code;
    HANDLE t = CreateThread(nullptr, 0, c.start, &w, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(exitCodeOf(t), STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_TIMEOUT);
    ResumeThread(t);
    SetEvent(w.go);
    ASSERT_EQ(WaitForSingleObject(t, kLong), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0) << "a thread handle stays signalled";
    EXPECT_EQ(exitCodeOf(t), c.code);
    EXPECT_EQ(w.runs.load(), 1);
    EXPECT_TRUE(CloseHandle(t));
  }
}

TEST(CeKernelObjects, SuspendedStartAndCounts) {
  Worker w;
  w.code = 3;
  HANDLE t = CreateThread(nullptr, 0, countAndReturn, &w, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(SuspendThread(t), 1u);
  EXPECT_EQ(SuspendThread(t), 2u);
  EXPECT_EQ(ResumeThread(t), 3u);
  EXPECT_EQ(ResumeThread(t), 2u);
  // Still suspended once: the thread cannot have run, and its handle is not
  // signalled within a wait that would see its end.
  EXPECT_EQ(WaitForSingleObject(t, 50), WAIT_TIMEOUT);
  EXPECT_EQ(w.runs.load(), 0);
  EXPECT_EQ(ResumeThread(t), 1u);
  ASSERT_EQ(WaitForSingleObject(t, kLong), WAIT_OBJECT_0);
  EXPECT_EQ(w.runs.load(), 1);
  EXPECT_EQ(ResumeThread(t), 0u);
  EXPECT_EQ(exitCodeOf(t), 3u);
  CloseHandle(t);
  EXPECT_EQ(SuspendThread(nullptr), kSuspendCountFailed);
  EXPECT_EQ(ResumeThread(nullptr), kSuspendCountFailed);
}

TEST(CeKernelObjects, ThreadSuspendedInAWaitStaysAfterTheSignal) {
  Worker w;
  w.code = 11;
  HANDLE t = CreateThread(nullptr, 0, waitForGo, &w, 0, nullptr);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(WaitForSingleObject(w.entered, kLong), WAIT_OBJECT_0);
  EXPECT_EQ(SuspendThread(t), 0u);
  SetEvent(w.go);
  // The thread would end right after its wait; suspended, it must not.
  EXPECT_EQ(WaitForSingleObject(t, 100), WAIT_TIMEOUT);
  EXPECT_EQ(w.passedWait.load(), 0);
  EXPECT_EQ(ResumeThread(t), 1u);
  ASSERT_EQ(WaitForSingleObject(t, kLong), WAIT_OBJECT_0);
  EXPECT_EQ(w.passedWait.load(), 1);
  EXPECT_EQ(exitCodeOf(t), 11u);
  CloseHandle(t);
}

TEST(CeKernelObjects, TerminateThreadAtItsSuspensionPoint) {
  struct Case {
    const char* name;
    LPTHREAD_START_ROUTINE start;
    DWORD flags;
    int runs;
  };
  const Case cases[] = {
      {"in Sleep(INFINITE)", sleepForever, 0, 1},
      {"in an endless wait", waitForGo, 0, 1},
      {"created suspended never runs", countAndReturn, CREATE_SUSPENDED, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Worker w;
    HANDLE t = CreateThread(nullptr, 0, c.start, &w, c.flags, nullptr);
    ASSERT_NE(t, nullptr);
    if (c.runs > 0) {
      ASSERT_EQ(WaitForSingleObject(w.entered, kLong), WAIT_OBJECT_0);
    }
    EXPECT_TRUE(TerminateThread(t, 0xDEAD));
    ASSERT_EQ(WaitForSingleObject(t, kLong), WAIT_OBJECT_0);
    EXPECT_EQ(exitCodeOf(t), 0xDEADu);
    EXPECT_EQ(w.runs.load(), c.runs);
    EXPECT_EQ(w.passedWait.load(), 0);
    EXPECT_TRUE(TerminateThread(t, 1)) << "an ended thread";
    EXPECT_EQ(exitCodeOf(t), 0xDEADu);
    CloseHandle(t);
  }
}

// --- mutexes -------------------------------------------------------------------

struct MutexProbe {
  HANDLE mutex;
  DWORD waitResult;
  BOOL releaseResult;
  DWORD releaseError;
};

DWORD tryMutexElsewhere(LPVOID arg) {
  auto* p = static_cast<MutexProbe*>(arg);
  SetLastError(0);
  p->releaseResult = ReleaseMutex(p->mutex);
  p->releaseError = GetLastError();
  p->waitResult = WaitForSingleObject(p->mutex, 0);
  if (p->waitResult == WAIT_OBJECT_0)
    ReleaseMutex(p->mutex);
  return 0;
}

MutexProbe probeFromAnotherThread(HANDLE mutex) {
  MutexProbe p{mutex, 0, TRUE, 0};
  HANDLE t = CreateThread(nullptr, 0, tryMutexElsewhere, &p, 0, nullptr);
  EXPECT_EQ(WaitForSingleObject(t, kLong), WAIT_OBJECT_0);
  CloseHandle(t);
  return p;
}

TEST(CeKernelObjects, MutexRecursionAndOwnership) {
  HANDLE m = CreateMutexW(nullptr, TRUE, nullptr);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0) << "the owner passes again";
  MutexProbe held = probeFromAnotherThread(m);
  EXPECT_FALSE(held.releaseResult);
  EXPECT_EQ(held.releaseError, ERROR_NOT_OWNER);
  EXPECT_EQ(held.waitResult, WAIT_TIMEOUT);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(probeFromAnotherThread(m).waitResult, WAIT_TIMEOUT) << "owned once more";
  EXPECT_TRUE(ReleaseMutex(m));
  SetLastError(0);
  EXPECT_FALSE(ReleaseMutex(m)) << "released as often as taken";
  EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
  EXPECT_EQ(probeFromAnotherThread(m).waitResult, WAIT_OBJECT_0) << "free";
  EXPECT_TRUE(CloseHandle(m));
  SetLastError(0);
  EXPECT_FALSE(ReleaseMutex(nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(CeKernelObjects, NamedMutexExistsUntilItsLastHandle) {
  SetLastError(ERROR_ALREADY_EXISTS);
  HANDLE first = CreateMutexW(nullptr, FALSE, u"SentrelClass");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  HANDLE second = CreateMutexW(nullptr, TRUE, u"SentrelClass");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  HANDLE other = CreateMutexW(nullptr, FALSE, u"sentrelclass");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << "names are compared exactly";
  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
  EXPECT_EQ(probeFromAnotherThread(second).waitResult, WAIT_TIMEOUT) << "one object";
  EXPECT_TRUE(ReleaseMutex(second));
  EXPECT_TRUE(CloseHandle(first));
  EXPECT_TRUE(CloseHandle(second));
  HANDLE again = CreateMutexW(nullptr, FALSE, u"SentrelClass");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << "the name was freed";
  CloseHandle(again);
  CloseHandle(other);
}

DWORD takeAndEnd(LPVOID arg) {
  WaitForSingleObject(static_cast<HANDLE>(arg), 0);
  WaitForSingleObject(static_cast<HANDLE>(arg), 0);  // owned twice
  return 0;
}

TEST(CeKernelObjects, MutexOfAnEndedThreadIsAbandonedOnce) {
  HANDLE m = CreateMutexW(nullptr, FALSE, nullptr);
  HANDLE t = CreateThread(nullptr, 0, takeAndEnd, m, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(t, kLong), WAIT_OBJECT_0);
  CloseHandle(t);
  HANDLE other = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HANDLE both[] = {other, m};
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_ABANDONED_0 + 1) << "its index, and now owned";
  EXPECT_TRUE(ReleaseMutex(m)) << "once, whatever the dead owner's count";
  EXPECT_EQ(probeFromAnotherThread(m).waitResult, WAIT_OBJECT_0) << "free, abandoned no more";
  CloseHandle(other);
  CloseHandle(m);
}

// A device with one other process holding "Held"; calls recorded.
std::vector<std::u16string> gNameCalls;

DWORD fakeCreate(LPCWSTR name) {
  gNameCalls.push_back(u"create " + std::u16string(name));
  const std::u16string n = name;
  return n == u"Held" ? ERROR_ALREADY_EXISTS : n == u"Full" ? ERROR_NOT_ENOUGH_QUOTA : ERROR_SUCCESS;
}

void fakeClose(LPCWSTR name) { gNameCalls.push_back(u"close " + std::u16string(name)); }

TEST(CeKernelObjects, MutexNamesGoThroughTheDeviceHook) {
  static const MutexNameHook hook{fakeCreate, fakeClose};
  gNameCalls.clear();
  vsCeMutex_setNameHook(&hook);
  HANDLE held = CreateMutexW(nullptr, FALSE, u"Held");
  EXPECT_NE(held, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS) << "held by another process";
  HANDLE mine = CreateMutexW(nullptr, FALSE, u"Mine");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  HANDLE again = CreateMutexW(nullptr, FALSE, u"Mine");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(again, mine);
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"Full"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_QUOTA);
  HANDLE unnamed = CreateMutexW(nullptr, FALSE, nullptr);
  CloseHandle(unnamed);
  CloseHandle(again);
  CloseHandle(mine);
  CloseHandle(held);
  vsCeMutex_setNameHook(nullptr);
  const std::vector<std::u16string> expected{u"create Held", u"create Mine", u"create Mine", u"create Full",
                                             u"close Mine",  u"close Mine",  u"close Held"};
  EXPECT_EQ(gNameCalls, expected) << "every named handle once each way; unnamed ones never";
}

TEST(CeKernelObjects, ProcessHandleIsSignalledWithTheExitCode) {
  vsCeKernel_lock();
  HANDLE a = vsCeProcess_openLocked(4242);
  HANDLE b = vsCeProcess_openLocked(4242);
  HANDLE other = vsCeProcess_openLocked(4343);
  vsCeKernel_unlock();
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(a, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(a, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  vsCeKernel_lock();
  vsCeProcess_exitedLocked(4242, 3);
  vsCeKernel_unlock();
  const HANDLE all[] = {other, b, a};
  EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_TRUE(GetExitCodeProcess(a, &code));
  EXPECT_EQ(code, 3u);
  EXPECT_EQ(WaitForSingleObject(other, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_FALSE(GetExitCodeProcess(nullptr, &code));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_TRUE(CloseHandle(a));
  EXPECT_TRUE(CloseHandle(b));
  EXPECT_TRUE(CloseHandle(other));
}

}  // namespace
