// Run queues: order, removal, the priority bitmap and the next thread.
#include <gtest/gtest.h>

#include <vector>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/threads/tests/thread_fixture.h"
#include "vm/services/lifecycle/time_slice.h"

namespace {

// Handles must lie below 4 GiB: these live among the test's VM variables.
VS_VMBSS(VmHandle[8]) gThreads = {};

class RunQueueTest : public ThreadTest {
 protected:
  void TearDown() override {
    if (count_ > 0) vsHandle_close(&gThreads[0]);
    ThreadTest::TearDown();
  }

  // Makes n threads of the priority, each held in a handle.
  void make(int n, int32_t priority) {
    for (int i = 0; i < n; ++i) {
      vsHandle_push(&gThreads[count_], newThread(priority));
      ++count_;
    }
  }
  const VmRef* thread(int i) const { return &gThreads[i].object; }

  // The queue of the priority from its head, following queueNext; checks
  // that queuePrevious runs the same ring backwards.
  std::vector<VmRef> queue(int32_t priority) {
    std::vector<VmRef> order;
    const VmRef head = vsRef_as<ObjectArray>(vsRoot(kRootRunQueues))->elements[priority];
    if (head == 0) return order;
    VmRef at = head;
    do {
      order.push_back(at);
      EXPECT_EQ(rec(rec(at)->queueNext)->queuePrevious, at);
      at = rec(at)->queueNext;
    } while (at != head && order.size() <= 8);
    return order;
  }

 private:
  int count_ = 0;
};

TEST_F(RunQueueTest, ThreadsJoinDirectlyAfterTheHead) {
  make(4, kNormPriority);
  for (int i = 0; i < 4; ++i) vsScheduler_setRunnable(thread(i), 1);
  EXPECT_EQ(queue(5), (std::vector<VmRef>{*thread(0), *thread(3), *thread(2), *thread(1)}));
  EXPECT_EQ(vsScheduler.priorityBitmap, 1u << 5);
  // The first runnable thread is chosen to run next.
  EXPECT_EQ(vsRoot(kRootNextThread), *thread(0));
}

TEST_F(RunQueueTest, LeavingKeepsTheRingAndMovesTheHead) {
  struct Case {
    int leaving;
    std::vector<int> rest;  // the queue afterwards, by thread number
  };
  // Before each case the queue is 0, 2, 1.
  const Case kCases[] = {{0, {2, 1}}, {2, {0, 1}}, {1, {0, 2}}};
  make(3, kNormPriority);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.leaving);
    for (int i = 0; i < 3; ++i) vsScheduler_setRunnable(thread(i), 1);
    ASSERT_EQ(queue(5), (std::vector<VmRef>{*thread(0), *thread(2), *thread(1)}));
    vsScheduler_setRunnable(thread(c.leaving), 0);
    std::vector<VmRef> expected;
    for (int i : c.rest) expected.push_back(*thread(i));
    EXPECT_EQ(queue(5), expected);
    EXPECT_EQ(rec(*thread(c.leaving))->queueNext, 0u);
    EXPECT_EQ(rec(*thread(c.leaving))->queuePrevious, 0u);
    for (int i : c.rest) vsScheduler_setRunnable(thread(i), 0);
    EXPECT_EQ(vsScheduler.priorityBitmap, 0u);
    EXPECT_EQ(vsRoot(kRootNextThread), 0u);
  }
}

TEST_F(RunQueueTest, LastThreadLeavingEmptiesTheQueueAndItsBit) {
  make(2, kNormPriority);
  make(1, 9);
  for (int i = 0; i < 3; ++i) vsScheduler_setRunnable(thread(i), 1);
  EXPECT_EQ(vsScheduler.priorityBitmap, (1u << 5) | (1u << 9));
  vsScheduler_setRunnable(thread(2), 0);
  EXPECT_EQ(vsScheduler.priorityBitmap, 1u << 5);
  EXPECT_TRUE(queue(9).empty());
  // A thread alone in its queue is linked to itself.
  vsScheduler_setRunnable(thread(1), 0);
  EXPECT_EQ(rec(*thread(0))->queueNext, *thread(0));
  EXPECT_EQ(rec(*thread(0))->queuePrevious, *thread(0));
  EXPECT_EQ(vsScheduler.priorityBitmap, 1u << 5);
}

TEST_F(RunQueueTest, ThreadOnNoQueueLeavesNothing) {
  make(2, kNormPriority);
  vsScheduler_setRunnable(thread(0), 1);
  vsScheduler_setRunnable(thread(1), 0);
  EXPECT_EQ(queue(5), std::vector<VmRef>{*thread(0)});
  EXPECT_EQ(vsScheduler.priorityBitmap, 1u << 5);
  EXPECT_EQ(vsRoot(kRootNextThread), *thread(0));
  EXPECT_EQ(rec(*thread(1))->queueNext, 0u);
}

TEST_F(RunQueueTest, NextThreadLeavingIsReplacedByItsQueuesNewHead) {
  make(3, kNormPriority);
  for (int i = 0; i < 3; ++i) vsScheduler_setRunnable(thread(i), 1);
  // Another thread leaving does not change the choice.
  vsScheduler_setRunnable(thread(1), 0);
  EXPECT_EQ(vsRoot(kRootNextThread), *thread(0));
  vsScheduler_setRunnable(thread(0), 0);
  EXPECT_EQ(vsRoot(kRootNextThread), *thread(2));
  vsScheduler_setRunnable(thread(2), 0);
  EXPECT_EQ(vsRoot(kRootNextThread), 0u);
}

TEST_F(RunQueueTest, PrioritiesOutsideTheRangeUseTheNearerBound) {
  struct Case {
    int32_t priority;
    int32_t queue;
  };
  static constexpr Case kCases[] = {{1, 1}, {10, 10}, {0, 1}, {-7, 1}, {11, 10}, {0x7fffffff, 10}};
  make(1, kNormPriority);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.priority);
    vsRef_as<JavaThreadObject>(rec(*thread(0))->javaThread)->priority = c.priority;
    EXPECT_EQ(vsThread_priority(*thread(0)), c.queue);
    vsScheduler_setRunnable(thread(0), 1);
    EXPECT_EQ(vsScheduler.priorityBitmap, 1u << c.queue);
    EXPECT_EQ(queue(c.queue), std::vector<VmRef>{*thread(0)});
    vsScheduler_setRunnable(thread(0), 0);
    EXPECT_EQ(vsScheduler.priorityBitmap, 0u);
  }
}

TEST_F(RunQueueTest, InitializeZeroesTheCountersAndTheBitmap) {
  make(1, kNormPriority);
  vsThread_start(thread(0));
  vsScheduler.lastPriority = 5;
  vsScheduler_initialize();
  EXPECT_EQ(vsScheduler.threadCount, 0u);
  EXPECT_EQ(vsScheduler.priorityBitmap, 0u);
  EXPECT_EQ(vsScheduler.lastPriority, 0u);
  EXPECT_TRUE(vsTimeSlice_isRunning()) << "the time slice starts";
  vsTimeSlice_stop();
  EXPECT_FALSE(vsTimeSlice_isRunning());
}

}  // namespace

namespace {

// Scheduling as the interpreter drives it: the current thread is thread
// 0, reschedule chooses, the switch point switches.
class SchedulingTest : public RunQueueTest {
 protected:
  void SetUp() override {
    RunQueueTest::SetUp();
    if (HasFatalFailure()) return;
  }
  void TearDown() override {
    vsVmGlobals.currentThread = 0;
    vsVmGlobals.yieldWord = 0;
    RunQueueTest::TearDown();
  }
  // Reschedules and switches `steps` times: the current thread each time.
  std::vector<VmRef> run(int steps) {
    std::vector<VmRef> order;
    for (int i = 0; i < steps; ++i) {
      vsScheduler_reschedule();
      vsScheduler_switchAfterNative();
      order.push_back(vsVmGlobals.currentThread);
    }
    return order;
  }
};

TEST_F(SchedulingTest, TwoThreadsOfNormalPriorityAlternateAtEachYield) {
  make(2, kNormPriority);
  for (int i = 0; i < 2; ++i) vsScheduler_setRunnable(thread(i), 1);
  vsVmGlobals.currentThread = *thread(0);
  const VmRef a = *thread(0), b = *thread(1);
  EXPECT_EQ(run(4), (std::vector<VmRef>{b, a, b, a}));
}

TEST_F(SchedulingTest, AHigherPriorityRunsFirstAndKeepsRunning) {
  make(2, kNormPriority);
  make(1, 6);
  for (int i = 0; i < 3; ++i) vsScheduler_setRunnable(thread(i), 1);
  vsVmGlobals.currentThread = *thread(0);
  const VmRef high = *thread(2);
  EXPECT_EQ(run(3), (std::vector<VmRef>{high, high, high}));
  EXPECT_EQ(vsScheduler.lastPriority, 6);
  // Once it leaves, the two of priority 5 take turns.
  vsScheduler_setRunnable(thread(2), 0);
  const std::vector<VmRef> after = run(2);
  EXPECT_NE(after[0], after[1]);
  EXPECT_NE(after[0], high);
}

TEST_F(SchedulingTest, ThreadsOfOneHigherPriorityTakeTurns) {
  make(2, 7);
  make(1, kNormPriority);
  for (int i = 0; i < 3; ++i) vsScheduler_setRunnable(thread(i), 1);
  vsVmGlobals.currentThread = *thread(2);
  const std::vector<VmRef> order = run(4);
  EXPECT_EQ(order[0], order[2]);
  EXPECT_EQ(order[1], order[3]);
  EXPECT_NE(order[0], order[1]);
  for (VmRef t : order) EXPECT_NE(t, *thread(2));
}

TEST_F(SchedulingTest, NothingRunnablePicksNothing) {
  make(1, kNormPriority);
  EXPECT_EQ(vsScheduler_pickNext(0), 0u);
  vsVmGlobals.currentThread = *thread(0);
  vsScheduler_reschedule();
  EXPECT_EQ(vsRoot(kRootNextThread), 0u);
}

TEST_F(SchedulingTest, SwitchingCarriesExceptionsAndTheYieldRequest) {
  make(2, kNormPriority);
  vsVmGlobals.currentThread = *thread(0);
  const VmRef pending = *thread(1);  // any object serves as the exception
  vsPendingException() = pending;
  rec(*thread(1))->deferredException = *thread(0);
  vsVmGlobals.yieldWord = rec(*thread(0))->stackLimit;
  vsScheduler_requestYield();
  vsThread_switchTo(*thread(1));
  EXPECT_EQ(vsVmGlobals.currentThread, *thread(1));
  EXPECT_EQ(rec(*thread(0))->deferredException, pending);
  EXPECT_EQ(vsPendingException(), *thread(0));
  EXPECT_EQ(rec(*thread(1))->deferredException, 0u);
  EXPECT_EQ(vsVmGlobals.yieldWord, rec(*thread(1))->stackLimit | 1);
  vsPendingException() = 0;
}

}  // namespace
