#include "port/vm_sync.h"

#include <gtest/gtest.h>

#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/core/thread.h"

namespace {

class VmSync : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(VmSyncCreate()); }
  void TearDown() override { VmSyncDelete(); }
};

DWORD setWakeEvent(LPVOID) {
  JkVmEventSet();
  return 0;
}

TEST_F(VmSync, WaitTimesOutWhenNothingSetsTheEvent) { EXPECT_EQ(JkVmEventWait(20), -1); }

TEST_F(VmSync, WaitEndsWhenAnotherThreadSetsTheEvent) {
  for (int32_t timeout : {20000, -1}) {
    JkVmEventReset();
    HANDLE t = CreateThread(nullptr, 0, setWakeEvent, nullptr, 0, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(JkVmEventWait(timeout), 0);
    CloseHandle(t);
  }
}

TEST_F(VmSync, TheEventIsManualResetAndStartsClear) {
  EXPECT_EQ(JkVmEventWait(0), -1);
  JkVmEventSet();
  EXPECT_EQ(JkVmEventWait(0), 0);
  EXPECT_EQ(JkVmEventWait(0), 0);
  JkVmEventReset();
  EXPECT_EQ(JkVmEventWait(0), -1);
}

struct Counter {
  long value = 0;
  HANDLE done = nullptr;
};

DWORD countUnderTheLock(LPVOID arg) {
  auto* c = static_cast<Counter*>(arg);
  for (int i = 0; i < 20000; ++i) {
    JkVmEnterCriticalSection();
    c->value = c->value + 1;
    JkVmLeaveCriticalSection();
  }
  SetEvent(c->done);
  return 0;
}

TEST_F(VmSync, TheLockExcludesOtherThreads) {
  Counter c;
  c.done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE t = CreateThread(nullptr, 0, countUnderTheLock, &c, 0, nullptr);
  ASSERT_NE(t, nullptr);
  for (int i = 0; i < 20000; ++i) {
    JkVmEnterCriticalSection();
    c.value = c.value + 1;
    JkVmLeaveCriticalSection();
  }
  ASSERT_EQ(WaitForSingleObject(c.done, 60000), WAIT_OBJECT_0);
  JkVmEnterCriticalSection();
  EXPECT_EQ(c.value, 40000);
  JkVmLeaveCriticalSection();
  CloseHandle(t);
  CloseHandle(c.done);
}

}  // namespace
