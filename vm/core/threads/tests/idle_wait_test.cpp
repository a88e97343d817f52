// The scheduler's idle wait on a test clock: the VM tick comes from a
// counter, and a hook in place of the wake-up event's wait records each
// time-out (and whether the time slice was running) and advances the
// counter by it.
#include <gtest/gtest.h>

#include <csetjmp>
#include <vector>

#include "ce/core/clock.h"
#include "ce/substrate/vm_sections.h"
#include "port/vm_sync.h"
#include "port/vm_tick.h"
#include "tests/core/exception_double.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/threads/monitors.h"
#include "vm/core/threads/reentry.h"
#include "vm/core/threads/tests/thread_fixture.h"
#include "vm/services/lifecycle/idle_wait.h"
#include "vm/core/threads/service_calls.h"
#include "vm/services/lifecycle/time_slice.h"

namespace {

VS_VMBSS(VmHandle) gThread = {};
VS_VMBSS(VmHandle) gObject = {};

struct Wait {
  int32_t milliseconds;
  bool running;
  bool operator==(const Wait& o) const { return milliseconds == o.milliseconds && running == o.running; }
};

std::vector<Wait> gWaits;
DWORD gTick = 0;
int gSignalsLeft = 0;

DWORD testTick() { return gTick; }

int32_t advance(int32_t milliseconds) {
  gWaits.push_back({milliseconds, vsTimeSlice_isRunning()});
  gTick += static_cast<DWORD>(milliseconds);
  return -1;
}

// Answers "signalled" while signals are left, then leaves through the
// innermost exit point.
int32_t signalThenExit(int32_t milliseconds) {
  gWaits.push_back({milliseconds, false});
  if (gSignalsLeft-- > 0) return 0;
  vsExitPoint_jump();
}

class IdleWaitTest : public ThreadTest {
 protected:
  void SetUp() override {
    ThreadTest::SetUp();
    ASSERT_TRUE(VmSyncCreate());
    VmSyncSetWaitHook(advance);
    gTick = 5000;
    vsCeClock_setTickSource(testTick);
    VmTickBaseInit();
    gTick += 1000;  // the clock reads 1000
    gWaits.clear();
    ASSERT_EQ(vsMonitor_createSentinel(), 1);
    vsHandle_push(&gThread, newThread(kNormPriority));
    vsScheduler_setRunnable(&gThread.object, 1);
    vsVmGlobals.currentThread = gThread.object;
    vsTimeSlice_setRunning();
  }
  void TearDown() override {
    vsTimeSlice_clearRunning();
    vsVmGlobals.currentThread = 0;
    vsHandle_close(&gThread);
    vsCeClock_setTickSource(nullptr);
    VmSyncSetWaitHook(nullptr);
    VmSyncDelete();
    vsTestException_clear();
    ThreadTest::TearDown();
  }

  // The only thread sleeps: the reschedule waits until it is due again.
  static void sleepAlone(uint64_t milliseconds) {
    vsScheduler_sleep(static_cast<uint32_t>(milliseconds), static_cast<uint32_t>(milliseconds >> 32),
                      &gThread.object);
    EXPECT_EQ(vsRoot(kRootNextThread), gThread.object) << "the sleeper runs again";
    EXPECT_NE(rec(gThread.object)->queueNext, 0u);
  }
};

TEST_F(IdleWaitTest, ASleepOf200MsMakesOneWaitOf201) {
  sleepAlone(200);
  EXPECT_EQ(gWaits, (std::vector<Wait>{{201, true}}));
}

TEST_F(IdleWaitTest, LongWaitsStopTheTimeSliceForTheirLength) {
  struct Case {
    uint64_t sleep;
    Wait wait;
  };
  const Case kCases[] = {{499, {500, true}}, {500, {501, false}}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.sleep);
    gWaits.clear();
    sleepAlone(c.sleep);
    ASSERT_EQ(gWaits.size(), 1u);
    EXPECT_EQ(gWaits[0], c.wait);
    EXPECT_TRUE(vsTimeSlice_isRunning());
  }
}

// The only thread waits 200 ms on an object it holds: the idle wait ends
// the time-out, and the thread runs on holding the lock again.
TEST_F(IdleWaitTest, ALoneTimedWaiterRunsOnHoldingTheLock) {
  vsHandle_push(&gObject, vsJavaHeap_newInstance(&vsRoot(kRootObject), 4));
  const StackChunk* chunk = vsRef_as<StackChunk>(rec(gThread.object)->stackChunk);
  LockRecord* record =
      vsWord_toPointer<LockRecord>(vsRef_of(chunk) + kStackChunkHeadBytes + chunk->length - kLockRecordBytes);
  record->object = gObject.object;
  ASSERT_EQ(vsMonitor_lock(&gThread.object, record), 1);
  EXPECT_EQ(vsMonitor_wait(&gObject.object, 200, 0, &gThread.object), 1);
  EXPECT_EQ(gWaits, (std::vector<Wait>{{201, true}}));
  EXPECT_EQ(vsRoot(kRootNextThread), gThread.object) << "the waiter runs again";
  EXPECT_TRUE(vsMonitor_isOwner(&gObject.object, &gThread.object));
  EXPECT_EQ(vsMonitor_find(&gObject.object), 0u) << "no monitor record stays";
  EXPECT_EQ(vsMonitor_release(record), 1);
  EXPECT_FALSE(vsException_isPending());
}

TEST_F(IdleWaitTest, ASleepOfZeroIsDueAtOnce) {
  sleepAlone(0);
  EXPECT_TRUE(gWaits.empty());
}

TEST_F(IdleWaitTest, TimeOutsOfAllSixtyFourBitsAreCapped) {
  // 2^32 ms: neither a spin of its low word 0 nor a wait of 1 ms.
  sleepAlone(uint64_t{1} << 32);
  ASSERT_GE(gWaits.size(), 2u);
  EXPECT_EQ(gWaits[0].milliseconds, 0x7fffffff);
  EXPECT_EQ(gWaits[1].milliseconds, 0x7fffffff);
  for (const Wait& w : gWaits) EXPECT_GT(w.milliseconds, 0);
  struct Case {
    uint32_t low, high;
    int32_t milliseconds;
  };
  const Case kCases[] = {{0, 0, 0},
                         {0xffffffff, 0xffffffff, 0x7fffffff},
                         {0x7fffffff, 0, 0x7fffffff},
                         {0x80000000, 0, 0x7fffffff},
                         {5, 1, 0x7fffffff},
                         {0x7ffffffe, 0, 0x7ffffffe},
                         {1, 0, 1}};
  for (const Case& c : kCases)
    EXPECT_EQ(vsSys_idleWaitMilliseconds(c.low, c.high), c.milliseconds) << c.high << ":" << c.low;
}

TEST_F(IdleWaitTest, NothingToWakeMeansNoWait) {
  vsScheduler_setRunnable(&gThread.object, 0);
  vsRoot(kRootNextThread) = 0;
  vsScheduler_reschedule();
  EXPECT_TRUE(gWaits.empty());
  EXPECT_EQ(vsRoot(kRootNextThread), 0u);
}

TEST_F(IdleWaitTest, IdleForeverWaitsAgainAfterEachSignal) {
  VmSyncSetWaitHook(signalThenExit);
  gSignalsLeft = 3;
  VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    EXPECT_EQ(gWaits, (std::vector<Wait>(4, Wait{-1, false})));
    return;
  }
  vsExitPoint_push(&point);
  vsOs_idleForever();
}

}  // namespace
