// Blocking natives: re-entry data, the handler table, dispatch, and the
// waiting records rebuilt from their threads between handler calls.
#include <gtest/gtest.h>

#include <vector>

#include "ce/substrate/vm_sections.h"
#include "port/vm_sync.h"
#include "tests/core/exception_double.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/threads/monitors.h"
#include "vm/core/threads/reentry.h"
#include "vm/core/threads/tests/thread_fixture.h"

namespace {

constexpr int kThreads = 3;
VS_VMBSS(VmHandle[kThreads]) gThreads = {};

// What the handlers saw: the second data word of each record.
std::vector<int32_t> gSeen;

int32_t noWait(int32_t) { return -1; }

class ReentryTest : public ThreadTest {
 protected:
  void SetUp() override {
    ThreadTest::SetUp();
    ASSERT_TRUE(VmSyncCreate());
    VmSyncSetWaitHook(noWait);
    ASSERT_EQ(vsMonitor_createSentinel(), 1);
    ASSERT_EQ(vsReentry_resizeWaitingRecords(kThreads), 1);
    for (int t = 0; t < kThreads; ++t) {
      vsHandle_push(&gThreads[t], newThread(kNormPriority));
      vsScheduler_setRunnable(thread(t), 1);
    }
    vsVmGlobals.currentThread = *thread(0);
    vsReentry_clearHandlers();
    gSeen.clear();
  }
  void TearDown() override {
    vsReentry_clearWaiting();
    vsVmGlobals.currentThread = 0;
    vsHandle_close(&gThreads[0]);
    vsTestException_clear();
    VmSyncSetWaitHook(nullptr);
    VmSyncDelete();
    ThreadTest::TearDown();
  }
  static VmRef* thread(int t) { return &gThreads[t].object; }

  // Thread t suspends with data {handler, value, 0}.
  static void suspend(int t, int32_t handler, int32_t value) {
    vsVmGlobals.currentThread = *thread(t);
    const VmWord bytes = vsReentry_allocData(12);
    ASSERT_NE(bytes, 0u);
    int32_t* words = vsWord_toPointer<int32_t>(bytes);
    words[0] = handler;
    words[1] = value;
    words[2] = 0;
    vsReentry_suspendThread();
  }
};

int32_t recordValue(WaitingRecord* r, VmWord*) {
  gSeen.push_back(vsWord_toPointer<int32_t>(r->data)[1]);
  return 1;
}

// For the first thread: gives the next waiting thread new data (a new
// array: the heap may move) before it records its own.
int32_t replaceNextThreadsData(WaitingRecord* r, VmWord* slot) {
  const VmRef next = vsRef_as<ThreadRecord>(r->thread)->queueNext;
  if (r->thread == gThreads[0].object && next != r->thread) {
    const VmRef saved = vsVmGlobals.currentThread;
    vsVmGlobals.currentThread = next;
    const VmWord bytes = vsReentry_allocData(16);
    int32_t* words = vsWord_toPointer<int32_t>(bytes);
    words[0] = 0;
    words[1] = 77;
    vsVmGlobals.currentThread = saved;
  }
  return recordValue(r, slot);
}

TEST_F(ReentryTest, SmallDataUsesTheCachedArrayLargerANewOne) {
  struct Case {
    int32_t n;
    bool cached;
  };
  const Case kCases[] = {{8, true}, {1, true}, {9, false}, {64, false}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.n);
    const VmWord bytes = vsReentry_allocData(c.n);
    const ThreadRecord* t = rec(*thread(0));
    ASSERT_NE(t->cachedReentryData, 0u);
    EXPECT_EQ(t->reentryData == t->cachedReentryData, c.cached);
    EXPECT_EQ(vsRef_as<ByteArray>(t->cachedReentryData)->length, 8);
    int32_t length = 0;
    EXPECT_EQ(vsReentry_getData(&length), bytes);
    EXPECT_EQ(length, c.cached ? 8 : c.n);
  }
}

TEST_F(ReentryTest, FiveHandlersGetTheirSlotsTheSixthNone) {
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(vsReentry_registerHandler(recordValue), i);
  EXPECT_EQ(vsReentry_registerHandler(recordValue), -1);
  vsReentry_clearHandlers();
  EXPECT_EQ(vsReentry_registerHandler(recordValue), 0);
}

TEST_F(ReentryTest, NoWaiterGivesNoRecords) {
  uint32_t count = 99;
  EXPECT_EQ(vsReentry_getWaitingThreads(&count), nullptr);
  EXPECT_EQ(count, 0u);
}

TEST_F(ReentryTest, DispatchSkipsShortDataAndUnknownIndexes) {
  ASSERT_EQ(vsReentry_registerHandler(recordValue), 0);
  struct Case {
    int32_t length;
    int32_t index;
    int32_t result;
  };
  const Case kCases[] = {{3, 0, 0}, {8, 1, 0}, {8, -1, 0}, {8, 0, 1}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.length << " bytes, index " << c.index);
    const VmRef data = vsJavaHeap_newByteArray(c.length);
    vsJavaHeap_storeReference(&rec(*thread(0))->reentryData, data);
    if (c.length >= 4) *reinterpret_cast<int32_t*>(vsRef_as<ByteArray>(data)->elements) = c.index;
    WaitingRecord r = {*thread(0), 0, 0};
    EXPECT_EQ(vsReentry_dispatch(&r), c.result);
  }
}

TEST_F(ReentryTest, SuspendedThreadsWaitInOrderAndResume) {
  suspend(0, 0, 1);
  suspend(1, 0, 2);
  uint32_t count = 0;
  const WaitingRecord* r = vsReentry_getWaitingThreads(&count);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(r[0].thread, *thread(0));
  EXPECT_EQ(r[1].thread, *thread(1));
  EXPECT_EQ(r[0].length, 12u);
  EXPECT_EQ(rec(*thread(0))->waiting, 1u);
  EXPECT_EQ(vsRoot(kRootNextThread), *thread(2));
  vsReentry_resumeThread(thread(0));
  EXPECT_EQ(vsReentry.waitingCount, 1u);
  EXPECT_NE(rec(*thread(0))->queueNext, 0u);
  // A thread that does not wait is left alone.
  vsReentry_resumeThread(thread(0));
  EXPECT_EQ(vsReentry.waitingCount, 1u);
}

TEST_F(ReentryTest, AHandlerSeesTheDataAnEarlierHandlerGaveItsThread) {
  suspend(0, 0, 1);
  suspend(1, 0, 2);
  vsVmGlobals.currentThread = *thread(2);
  ASSERT_EQ(vsReentry_registerHandler(replaceNextThreadsData), 0);
  vsReentry_waitIdle(0);
  EXPECT_EQ(gSeen, (std::vector<int32_t>{1, 77}));
}

}  // namespace
