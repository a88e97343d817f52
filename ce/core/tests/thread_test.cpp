#include "ce/core/thread.h"

#include <gtest/gtest.h>

#include <time.h>

#include <cstdint>

#include "ce/core/event.h"
#include "ce/core/kernel_object.h"

namespace {

struct Probe {
  HANDLE done;
  HANDLE release;  // null: finish at once
  DWORD seenId;
  uintptr_t localAddress;
  int parameterCheck;
};

DWORD probe(LPVOID arg) {
  auto* p = static_cast<Probe*>(arg);
  int local = 0;
  p->localAddress = reinterpret_cast<uintptr_t>(&local);
  p->seenId = GetCurrentThreadId();
  p->parameterCheck = 42;
  if (p->release != nullptr)
    WaitForSingleObject(p->release, INFINITE);
  SetEvent(p->done);
  return 0;
}

TEST(CeThread, RunsOnALowStackWithItsOwnId) {
  Probe p{CreateEventW(nullptr, TRUE, FALSE, nullptr), nullptr, 0, 0, 0};
  DWORD id = 0;
  HANDLE t = CreateThread(nullptr, 10240, probe, &p, 0, &id);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(WaitForSingleObject(p.done, 30000), WAIT_OBJECT_0);
  EXPECT_EQ(p.parameterCheck, 42);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(p.seenId, id);
  EXPECT_NE(GetCurrentThreadId(), id);
  EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
  EXPECT_LE(p.localAddress, 0xFFFFFFFFu);
  EXPECT_TRUE(CloseHandle(t));
  CloseHandle(p.done);
}

TEST(CeThread, SmallStacksAreRaised) {
  EXPECT_EQ(vsCeThread_stackBytes(10240), kMinThreadStack);
  EXPECT_EQ(vsCeThread_stackBytes(0), kMinThreadStack);
  EXPECT_EQ(vsCeThread_stackBytes(4u << 20), size_t{4} << 20);
}

TEST(CeThread, PriorityIsKeptExactly) {
  Probe p{CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr),
          0, 0, 0};
  HANDLE t = CreateThread(nullptr, 0, probe, &p, 0, nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(GetThreadPriority(t), THREAD_PRIORITY_NORMAL);
  for (int priority = THREAD_PRIORITY_TIME_CRITICAL; priority <= THREAD_PRIORITY_IDLE; ++priority) {
    EXPECT_TRUE(SetThreadPriority(t, priority));
    EXPECT_EQ(GetThreadPriority(t), priority);
  }
  EXPECT_FALSE(SetThreadPriority(t, -1));
  EXPECT_FALSE(SetThreadPriority(t, 8));
  EXPECT_EQ(GetThreadPriority(t), THREAD_PRIORITY_IDLE);
  EXPECT_EQ(GetThreadPriority(nullptr), THREAD_PRIORITY_ERROR_RETURN);
  // Closing the handle while the thread still runs: the thread frees itself
  // later through the next CreateThread or CloseHandle.
  EXPECT_TRUE(CloseHandle(t));
  SetEvent(p.release);
  ASSERT_EQ(WaitForSingleObject(p.done, 30000), WAIT_OBJECT_0);
  Probe q{CreateEventW(nullptr, TRUE, FALSE, nullptr), nullptr, 0, 0, 0};
  HANDLE u = CreateThread(nullptr, 0, probe, &q, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(q.done, 30000), WAIT_OBJECT_0);
  CloseHandle(u);
  CloseHandle(p.done);
  CloseHandle(p.release);
  CloseHandle(q.done);
}

TEST(CeThread, UnknownCreationFlagsAndMissingStartAreRefused) {
  EXPECT_EQ(CreateThread(nullptr, 0, probe, nullptr, 2, nullptr), nullptr);
  EXPECT_EQ(CreateThread(nullptr, 0, probe, nullptr, CREATE_SUSPENDED | 0x100, nullptr), nullptr);
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}

TEST(CeThread, SleepLastsAtLeastItsLength) {
  timespec a, b;
  clock_gettime(CLOCK_MONOTONIC, &a);
  Sleep(20);
  clock_gettime(CLOCK_MONOTONIC, &b);
  const long long ms = (b.tv_sec - a.tv_sec) * 1000LL + (b.tv_nsec - a.tv_nsec) / 1000000LL;
  EXPECT_GE(ms, 20);
}

}  // namespace
