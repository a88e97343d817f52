#include "ce/core/critical_section.h"

#include <gtest/gtest.h>

#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/core/thread.h"

namespace {

struct Shared {
  CRITICAL_SECTION section;
  long counter = 0;
  HANDLE entered = nullptr;
};

constexpr int kThreads = 4;
constexpr int kRounds = 20000;

struct Worker {
  Shared* shared;
  HANDLE done;
};

DWORD increment(LPVOID arg) {
  auto* w = static_cast<Worker*>(arg);
  for (int i = 0; i < kRounds; ++i) {
    EnterCriticalSection(&w->shared->section);
    w->shared->counter = w->shared->counter + 1;
    LeaveCriticalSection(&w->shared->section);
  }
  SetEvent(w->done);
  return 0;
}

DWORD enterOnce(LPVOID arg) {
  auto* s = static_cast<Shared*>(arg);
  EnterCriticalSection(&s->section);
  s->counter = 1;
  LeaveCriticalSection(&s->section);
  SetEvent(s->entered);
  return 0;
}

TEST(CeCriticalSection, ExcludesOtherThreads) {
  Shared s;
  InitializeCriticalSection(&s.section);
  Worker workers[kThreads];
  HANDLE threads[kThreads];
  for (int i = 0; i < kThreads; ++i)
    workers[i] = {&s, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  for (int i = 0; i < kThreads; ++i) {
    threads[i] = CreateThread(nullptr, 0, increment, &workers[i], 0, nullptr);
    ASSERT_NE(threads[i], nullptr);
  }
  for (int i = 0; i < kThreads; ++i)
    ASSERT_EQ(WaitForSingleObject(workers[i].done, 60000), WAIT_OBJECT_0);
  EXPECT_EQ(s.counter, long{kThreads} * kRounds);
  for (int i = 0; i < kThreads; ++i) {
    CloseHandle(threads[i]);
    CloseHandle(workers[i].done);
  }
  DeleteCriticalSection(&s.section);
}

TEST(CeCriticalSection, OwnerMayEnterAgainAndOthersWaitForTheLastLeave) {
  Shared s;
  InitializeCriticalSection(&s.section);
  s.entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EnterCriticalSection(&s.section);
  EnterCriticalSection(&s.section);
  HANDLE t = CreateThread(nullptr, 0, enterOnce, &s, 0, nullptr);
  ASSERT_NE(t, nullptr);
  LeaveCriticalSection(&s.section);
  EXPECT_EQ(WaitForSingleObject(s.entered, 0), WAIT_TIMEOUT);
  EXPECT_EQ(s.counter, 0);
  LeaveCriticalSection(&s.section);
  ASSERT_EQ(WaitForSingleObject(s.entered, 30000), WAIT_OBJECT_0);
  EnterCriticalSection(&s.section);
  EXPECT_EQ(s.counter, 1);
  LeaveCriticalSection(&s.section);
  CloseHandle(t);
  CloseHandle(s.entered);
  DeleteCriticalSection(&s.section);
}

}  // namespace
