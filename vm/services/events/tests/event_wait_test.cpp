// A Java thread blocked for its events and the scheduler's idle wait: a
// hook in place of the wake-up event's wait records each time-out and
// answers "timed out" at once.
#include <gtest/gtest.h>

#include <vector>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/threads/monitors.h"
#include "vm/core/threads/tests/thread_fixture.h"
#include "vm/services/events/tests/event_fixture.h"
#include "vm/services/lifecycle/idle_wait.h"

namespace {

VS_VMBSS(VmHandle[2]) gThreads = {};
std::vector<int32_t> gWaits;

int32_t recordWait(int32_t milliseconds) {
  gWaits.push_back(milliseconds);
  return -1;
}

class EventWaitTest : public ThreadTest {
 protected:
  void SetUp() override {
    ThreadTest::SetUp();
    vsEventTest_start(&chunk_);
    VmSyncSetWaitHook(recordWait);
    gWaits.clear();
    ASSERT_EQ(vsMonitor_createSentinel(), 1);
    ASSERT_EQ(vsReentry_resizeWaitingRecords(2), 1);
    for (VmHandle& h : gThreads) {
      vsHandle_push(&h, newThread(kNormPriority));
      vsScheduler_setRunnable(&h.object, 1);
    }
    vsVmGlobals.currentThread = gThreads[0].object;
    queue_ = vsK6Event_registerQueue(vsK6Event_createQueue(8, 2, 1));
    threadId_ = vsK6Event_registerThread(vsK6Event_queue(queue_), kVsEventKindSystem);
  }
  void TearDown() override {
    vsReentry_clearWaiting();
    vsVmGlobals.currentThread = 0;
    vsHandle_close(&gThreads[0]);
    VmSyncSetWaitHook(nullptr);
    vsEventTest_stop(chunk_);
    vsTestException_clear();
    ThreadTest::TearDown();
  }

  // The idle wait as the scheduler calls it, with time-out (0, 1000).
  static void idleWait() {
    uint32_t count = 0;
    WaitingRecord* records = vsReentry_getWaitingThreads(&count);
    vsSys_idleWait(records, count, 0, 1000);
  }

  void* chunk_ = nullptr;
  int32_t queue_ = 0;
  int32_t threadId_ = 0;
};

TEST_F(EventWaitTest, BlockedThreadWaitsOnceThenIsResumedByItsEvent) {
  vsK6Event_waitEvent(threadId_);
  const ThreadRecord* blocked = rec(gThreads[0].object);
  ASSERT_NE(blocked->reentryData, 0u);
  const ByteArray* data = vsRef_as<ByteArray>(blocked->reentryData);
  ASSERT_EQ(data->length, kVsEventWaitDataBytes);
  const auto* words = reinterpret_cast<const int32_t*>(data->elements);
  EXPECT_EQ(words[kVsEventWaitHandler], vsEventWait.handlerId);
  EXPECT_EQ(words[kVsEventWaitThread], threadId_);
  EXPECT_EQ(words[kVsEventWaitWoken], 1);
  EXPECT_EQ(vsEventWait.blockedThreads, 1);
  EXPECT_EQ(vsEventTables.eventThreads.get()[0].waiting, 1);

  idleWait();
  EXPECT_EQ(gWaits, (std::vector<int32_t>{kLongestIdleWaitMs})) << "nothing queued: one wait";
  EXPECT_EQ(vsReentry.waitingCount, 1u);

  gWaits.clear();
  const uint32_t event[] = {kVsInternalStop, 1};
  ASSERT_EQ(vsK6Event_post(event, 2, queue_), 1);
  EXPECT_EQ(vsVm_isWakePending(), 1);
  idleWait();
  EXPECT_TRUE(gWaits.empty()) << "an event for the blocked thread: no wait";
  EXPECT_EQ(vsEventWait.blockedThreads, 0);
  EXPECT_EQ(vsReentry.waitingCount, 0u);
  EXPECT_EQ(vsEventTables.eventThreads.get()[0].waiting, 0);
  EXPECT_EQ(words[kVsEventWaitWoken], 1) << "the flag tells the native it was woken";
}

TEST_F(EventWaitTest, WithoutBlockedThreadsAQueuedEventMeansNoWait) {
  struct Case {
    const char* name;
    bool queued;
    uint32_t low;
    std::vector<int32_t> waits;
  };
  const Case kCases[] = {{"nothing queued", false, 250, {250}},
                         {"an event queued", true, 250, {}},
                         {"time-out 0", false, 0, {}}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    gWaits.clear();
    vsK6Event_clearQueue(queue_);
    const uint32_t event[] = {1, 2};
    if (c.queued) {
      ASSERT_EQ(vsK6Event_post(event, 2, queue_), 1);
    }
    vsSys_idleWait(nullptr, 0, c.low, 0);
    EXPECT_EQ(gWaits, c.waits);
  }
}

}  // namespace
