// Thread queues and timers: posts right after creation, retrieval order,
// filters, timers on a moved tick source, and message waits as suspension
// points. Every thread a case starts ends before the case does.
#include "ce/user/queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "ce/base/lasterror.h"
#include "ce/core/clock.h"
#include "ce/core/event.h"
#include "ce/core/thread.h"

namespace {

constexpr DWORD kLong = 30000;

std::atomic<DWORD> gTick{1000};
DWORD movedTick() { return gTick.load(); }

// Uses the test's tick source for the life of a case.
struct MovedClock {
  MovedClock() { vsCeClock_setTickSource(movedTick); }
  ~MovedClock() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    vsCeClock_setTickSource(nullptr);
  }
};

struct Received {
  HANDLE waiting = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::vector<UINT> messages;
  ~Received() { CloseHandle(waiting); }
};

// Takes messages until WM_QUIT.
DWORD receiveUntilQuit(LPVOID arg) {
  auto* r = static_cast<Received*>(arg);
  SetEvent(r->waiting);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0)
    r->messages.push_back(m.message);
  return static_cast<DWORD>(m.wParam);
}

TEST(CeQueue, PostRightAfterCreationIsReceived) {
  for (DWORD flags : {DWORD{0}, CREATE_SUSPENDED}) {
    SCOPED_TRACE(flags);
    Received r;
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, receiveUntilQuit, &r, flags, &id);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(PostThreadMessageW(id, WM_USER + 1, 0, 0));
    EXPECT_TRUE(PostThreadMessageW(id, WM_USER + 2, 0, 0));
    EXPECT_TRUE(PostThreadMessageW(id, WM_QUIT, 5, 0));
    ResumeThread(t);
    ASSERT_EQ(WaitForSingleObject(t, kLong), WAIT_OBJECT_0);
    EXPECT_EQ(r.messages, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    DWORD code = 0;
    GetExitCodeThread(t, &code);
    EXPECT_EQ(code, 5u);
    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageW(id, WM_USER, 0, 0)) << "the queue ends with its thread";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
    CloseHandle(t);
  }
  SetLastError(0);
  EXPECT_FALSE(PostThreadMessageW(0xFFFFFFF0u, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
}

struct Expected {
  UINT message;
  WPARAM wParam;
};

void expectSequence(const std::vector<Expected>& expected, UINT filterMin = 0, UINT filterMax = 0) {
  for (size_t i = 0; i < expected.size(); ++i) {
    MSG m{};
    ASSERT_TRUE(PeekMessageW(&m, nullptr, filterMin, filterMax, PM_REMOVE)) << "message " << i;
    EXPECT_EQ(m.message, expected[i].message) << "message " << i;
    EXPECT_EQ(m.wParam, expected[i].wParam) << "message " << i;
  }
  MSG m{};
  EXPECT_FALSE(PeekMessageW(&m, nullptr, filterMin, filterMax, PM_REMOVE))
      << "one too many: " << m.message;
}

TEST(CeQueue, PostedThenQuitThenOneTimerHoweverLate) {
  MovedClock clock;
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, nullptr);
  ASSERT_NE(timer, 0u);
  const DWORD self = GetCurrentThreadId();
  PostThreadMessageW(self, WM_USER + 1, 1, 0);
  PostQuitMessage(9);
  PostThreadMessageW(self, WM_USER + 2, 2, 0);
  gTick += 200;
  expectSequence({{WM_USER + 1, 1}, {WM_USER + 2, 2}, {WM_QUIT, 9}, {WM_TIMER, timer}});
  gTick += 9;
  expectSequence({});
  gTick += 1;
  expectSequence({{WM_TIMER, timer}});
  EXPECT_TRUE(KillTimer(nullptr, timer));
  gTick += 1000;
  expectSequence({});
  EXPECT_FALSE(KillTimer(nullptr, timer));
}

TEST(CeQueue, FilterAndNoRemove) {
  MovedClock clock;
  const DWORD self = GetCurrentThreadId();
  PostThreadMessageW(self, WM_USER + 1, 1, 0);
  PostThreadMessageW(self, WM_USER + 5, 5, 0);
  MSG m{};
  ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_USER + 2, WM_USER + 9, PM_NOREMOVE));
  EXPECT_EQ(m.wParam, 5u);
  expectSequence({{WM_USER + 5, 5}}, WM_USER + 2, WM_USER + 9);
  expectSequence({{WM_USER + 1, 1}});
  SetLastError(0);
  EXPECT_FALSE(PeekMessageW(&m, reinterpret_cast<HWND>(0x10000), 0, 0, PM_REMOVE));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

std::vector<std::pair<UINT_PTR, DWORD>> gTimerCalls;

void onTimer(HWND hwnd, UINT message, UINT_PTR id, DWORD time) {
  EXPECT_EQ(hwnd, nullptr);
  EXPECT_EQ(message, WM_TIMER);
  gTimerCalls.emplace_back(id, time);
}

TEST(CeQueue, TimerProcThroughDispatchAndReplacement) {
  MovedClock clock;
  gTimerCalls.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, onTimer);
  gTick += 50;
  MSG m{};
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) << "PM_NOREMOVE left the timer due";
  EXPECT_EQ(DispatchMessageW(&m), 0);
  ASSERT_EQ(gTimerCalls.size(), 1u);
  EXPECT_EQ(gTimerCalls[0], std::make_pair(timer, gTick.load()));
  // The same id replaces: a longer interval from now, no proc.
  EXPECT_EQ(SetTimer(nullptr, timer, 500, nullptr), timer);
  gTick += 499;
  expectSequence({});
  gTick += 1;
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.lParam, 0);
  DispatchMessageW(&m);
  EXPECT_EQ(gTimerCalls.size(), 1u);
  KillTimer(nullptr, timer);
}

// Blocks in GetMessageW after announcing it.
DWORD blockInGetMessage(LPVOID arg) {
  auto* r = static_cast<Received*>(arg);
  SetEvent(r->waiting);
  MSG m;
  GetMessageW(&m, nullptr, 0, 0);
  r->messages.push_back(m.message);
  return 0;
}

TEST(CeQueue, MessageWaitIsASuspensionPoint) {
  Received r;
  DWORD id = 0;
  HANDLE t = CreateThread(nullptr, 0, blockInGetMessage, &r, 0, &id);
  ASSERT_EQ(WaitForSingleObject(r.waiting, kLong), WAIT_OBJECT_0);
  EXPECT_EQ(SuspendThread(t), 0u);
  PostThreadMessageW(id, WM_USER + 3, 0, 0);
  EXPECT_EQ(WaitForSingleObject(t, 100), WAIT_TIMEOUT);
  EXPECT_TRUE(r.messages.empty());
  ResumeThread(t);
  ASSERT_EQ(WaitForSingleObject(t, kLong), WAIT_OBJECT_0);
  EXPECT_EQ(r.messages, std::vector<UINT>{WM_USER + 3});
  CloseHandle(t);

  Received blocked;
  HANDLE u = CreateThread(nullptr, 0, blockInGetMessage, &blocked, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(blocked.waiting, kLong), WAIT_OBJECT_0);
  EXPECT_TRUE(TerminateThread(u, 77));
  ASSERT_EQ(WaitForSingleObject(u, kLong), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(u, &code);
  EXPECT_EQ(code, 77u);
  EXPECT_TRUE(blocked.messages.empty());
  CloseHandle(u);
}

}  // namespace
