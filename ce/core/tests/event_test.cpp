#include "ce/core/event.h"

#include <gtest/gtest.h>
#include <time.h>

#include "ce/core/kernel_object.h"
#include "ce/core/thread.h"

namespace {

uint64_t monotonicMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint64_t>(t.tv_sec) * 1000u + static_cast<uint64_t>(t.tv_nsec) / 1000000u;
}

struct WaitCase {
  BOOL manualReset;
  BOOL initialState;
  DWORD modify;  // 0: none
  DWORD first;
  DWORD second;
};

TEST(CeEvent, SignalledStateAcrossWaits) {
  const WaitCase cases[] = {
      {TRUE, FALSE, 0, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {TRUE, TRUE, 0, WAIT_OBJECT_0, WAIT_OBJECT_0},
      {TRUE, FALSE, EVENT_SET, WAIT_OBJECT_0, WAIT_OBJECT_0},
      {TRUE, TRUE, EVENT_RESET, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {FALSE, TRUE, 0, WAIT_OBJECT_0, WAIT_TIMEOUT},
      {FALSE, FALSE, EVENT_SET, WAIT_OBJECT_0, WAIT_TIMEOUT},
  };
  for (const WaitCase& c : cases) {
    HANDLE e = CreateEventW(nullptr, c.manualReset, c.initialState, nullptr);
    ASSERT_NE(e, nullptr);
    if (c.modify != 0) {
      EXPECT_TRUE(EventModify(e, c.modify));
    }
    EXPECT_EQ(WaitForSingleObject(e, 0), c.first) << c.manualReset << c.initialState << c.modify;
    EXPECT_EQ(WaitForSingleObject(e, 0), c.second) << c.manualReset << c.initialState << c.modify;
    EXPECT_TRUE(CloseHandle(e));
  }
}

TEST(CeEvent, SetAndResetAreEventModify) {
  HANDLE e = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_TRUE(SetEvent(e));
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ResetEvent(e));
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
  EXPECT_FALSE(EventModify(e, 1));
  CloseHandle(e);
}

TEST(CeEvent, TimeOutLastsAtLeastItsLength) {
  HANDLE e = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const uint64_t start = monotonicMs();
  EXPECT_EQ(WaitForSingleObject(e, 30), WAIT_TIMEOUT);
  EXPECT_GE(monotonicMs() - start, 30u);
  CloseHandle(e);
}

DWORD setFromThread(LPVOID arg) {
  SetEvent(static_cast<HANDLE>(arg));
  return 0;
}

TEST(CeEvent, InfiniteWaitEndsWhenAnotherThreadSets) {
  HANDLE e = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE t = CreateThread(nullptr, 0, setFromThread, e, 0, nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(WaitForSingleObject(e, INFINITE), WAIT_OBJECT_0);
  CloseHandle(t);
  CloseHandle(e);
}

TEST(CeEvent, BadHandlesAndNamesAreRefused) {
  const char16_t name[] = u"wake";
  EXPECT_EQ(CreateEventW(nullptr, TRUE, FALSE, name), nullptr);
  EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
  EXPECT_FALSE(SetEvent(nullptr));
  EXPECT_FALSE(CloseHandle(nullptr));
  int notAnObject[4] = {};
  EXPECT_FALSE(CloseHandle(notAnObject));
}

}  // namespace
