// Monitor enter and exit between thread records, recursive entries, the
// errors of non-owners, notify, and the monitor list after every step.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ce/substrate/vm_sections.h"
#include "tests/core/exception_double.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/gc_marking.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/threads/monitor_queue.h"
#include "vm/core/threads/monitors.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/tests/thread_fixture.h"

namespace {

constexpr int kThreads = 3;
constexpr int kObjects = 3;

// Handles must lie below 4 GiB: these live among the test's VM variables.
// Threads A, B, C, then the objects.
VS_VMBSS(VmHandle[kThreads + kObjects]) gHandles = {};

constexpr int A = 0, B = 1, C = 2;

class MonitorTest : public ThreadTest {
 protected:
  void SetUp() override {
    ThreadTest::SetUp();
    ASSERT_EQ(vsMonitor_createSentinel(), 1);
    for (int t = 0; t < kThreads; ++t) {
      vsHandle_push(&gHandles[t], newThread(kNormPriority));
      vsScheduler_setRunnable(thread(t), 1);
    }
    for (int o = 0; o < kObjects; ++o)
      vsHandle_push(&gHandles[kThreads + o], vsJavaHeap_newInstance(&vsRoot(kRootObject), 4));
    for (int o = 0; o < kObjects; ++o) originalNear_[o] = header(o);
  }
  void TearDown() override {
    vsHandle_close(&gHandles[0]);
    vsTestException_clear();
    ThreadTest::TearDown();
  }

  static const VmRef* thread(int t) { return &gHandles[t].object; }
  static const VmRef* object(int o) { return &gHandles[kThreads + o].object; }
  static VmWord header(int o) { return vsRef_as<ObjectHeader>(*object(o))->near.raw; }

  // Lock record `slot` of the thread: the slot-th record below the top of
  // its stack.
  static LockRecord* record(int t, int slot) {
    const StackChunk* chunk = vsRef_as<StackChunk>(rec(*thread(t))->stackChunk);
    return vsWord_toPointer<LockRecord>(vsRef_of(chunk) + kStackChunkHeadBytes + chunk->length -
                                        kLockRecordBytes * static_cast<uint32_t>(slot + 1));
  }

  // Monitor enter of object o by thread t in its record `slot` (o by default).
  static int32_t lock(int t, int o, int slot = -1) {
    LockRecord* r = record(t, slot < 0 ? o : slot);
    r->object = *object(o);
    return vsMonitor_lock(thread(t), r);
  }
  static int32_t release(int t, int o, int slot = -1) {
    return vsMonitor_release(record(t, slot < 0 ? o : slot));
  }

  // The objects of the monitor list, in list order; every record on it has
  // a thread on one of its queues.
  static std::vector<int> monitorList() {
    std::vector<int> out;
    VmRef m = vsRoot_as<MonitorRecord>(kRootMonitorSentinel)->next;
    for (; m != 0 && out.size() <= kObjects; m = vsRef_as<MonitorRecord>(m)->next) {
      const MonitorRecord* r = vsRef_as<MonitorRecord>(m);
      EXPECT_TRUE(r->queue != 0 || r->waitSet != 0);
      out.push_back(objectIndex(r->object));
    }
    return out;
  }
  static int objectIndex(VmRef ref) {
    for (int o = 0; o < kObjects; ++o)
      if (*object(o) == ref) return o;
    return -1;
  }
  static int threadIndex(VmRef t) {
    for (int i = 0; i < kThreads; ++i)
      if (*thread(i) == t) return i;
    return -1;
  }

  static std::vector<int> threadsOf(VmRef queue) {
    std::vector<int> out;
    if (queue == 0) return out;
    VmRef at = queue;
    do {
      out.push_back(threadIndex(at));
      at = rec(at)->queueNext;
    } while (at != queue && out.size() <= kThreads);
    return out;
  }
  static std::vector<int> entryQueue(int o) {
    const VmRef m = vsMonitor_find(object(o));
    return m == 0 ? std::vector<int>{} : threadsOf(vsRef_as<MonitorRecord>(m)->queue);
  }
  static std::vector<int> runnable() {
    return threadsOf(vsRef_as<ObjectArray>(vsRoot(kRootRunQueues))->elements[kNormPriority]);
  }
  static bool isRunnable(int t) {
    for (int r : runnable())
      if (r == t) return true;
    return false;
  }
  static int owner(int o) {
    const LockRecord* r = vsMonitor_ownerRecord(*object(o));
    return r == nullptr ? -1 : threadIndex(r->owner);
  }

  // Puts the thread into the wait set of the object's monitor (made and
  // linked when there is none) as a waiting thread would be, with its lock
  // record at `slot`.
  void makeWaiter(int t, int o, int slot) {
    VmRef m = vsMonitor_find(object(o));
    if (m == 0) {
      m = vsJavaHeap_newMonitorRecord();
      vsRef_as<MonitorRecord>(m)->object = *object(o);
      vsMonitor_link(&m);
    }
    vsScheduler_setRunnable(thread(t), 0);
    const StackChunk* chunk = vsRef_as<StackChunk>(rec(*thread(t))->stackChunk);
    rec(*thread(t))->lockRecordOffset =
        vsRef_of(record(t, slot)) - (vsRef_of(chunk) + kStackChunkHeadBytes + chunk->length);
    vsMonitorQueue_append(&vsRef_as<MonitorRecord>(m)->waitSet, *thread(t));
  }
  static std::vector<int> waitSet(int o) {
    const VmRef m = vsMonitor_find(object(o));
    return m == 0 ? std::vector<int>{} : threadsOf(vsRef_as<MonitorRecord>(m)->waitSet);
  }

  static void expectRaised(int32_t code) {
    EXPECT_TRUE(vsException_isPending());
    EXPECT_EQ(vsTestException_last().className, "java/lang/IllegalMonitorStateException");
    EXPECT_TRUE(vsTestException_last().hasCode);
    EXPECT_EQ(vsTestException_last().code, code);
    vsTestException_clear();
  }

  VmWord originalNear_[kObjects] = {};
};

TEST_F(MonitorTest, ContenderQueuesAndTheUnlockHandsTheLockOver) {
  // An object with a near record of its own, hashed: the hash stays in the
  // copies.
  const VmRef near = vsJavaHeap_newInstanceOfSize(&vsRoot(kRootObject), sizeof(ObjectNear));
  vsRef_as<ObjectNear>(near)->hashAndLock = 0x1234u << 2;
  vsRef_as<ObjectHeader>(*object(0))->near.raw = near;

  ASSERT_EQ(lock(A, 0), 1);
  LockRecord* a = record(A, 0);
  EXPECT_EQ(header(0), vsRef_of(&a->nearCopy));
  EXPECT_EQ(a->owner, *thread(A));
  EXPECT_EQ(a->savedNear, near);
  EXPECT_EQ(a->monitor, 0u);
  EXPECT_EQ(a->nearCopy.classRecord.raw, vsRoot(kRootObject));
  EXPECT_EQ(a->nearCopy.hashAndLock, 0x1234u << 2 | 1);

  ASSERT_EQ(lock(B, 0), 1);
  LockRecord* b = record(B, 0);
  EXPECT_EQ(vsMonitor_lockState(*object(0)), kLockContended);
  EXPECT_EQ(a->nearCopy.hashAndLock, 0x1234u << 2 | 3);
  EXPECT_EQ(a->monitor, vsMonitor_find(object(0)));
  EXPECT_EQ(monitorList(), std::vector<int>{0});
  EXPECT_EQ(entryQueue(0), std::vector<int>{B});
  EXPECT_EQ(b->object, 0u);
  EXPECT_EQ(rec(*thread(B))->wakeTimeLow | rec(*thread(B))->wakeTimeHigh, 0u);
  EXPECT_EQ(runnable(), (std::vector<int>{A, C}));
  EXPECT_EQ(owner(0), A);

  // The interpreter's monitor exit: free the record, put the saved near
  // back, and on state 3 the slow path.
  a->object = 0;
  vsRef_as<ObjectHeader>(*object(0))->near.raw = a->savedNear;
  ASSERT_EQ(vsMonitor_unlock(a), 1);
  EXPECT_EQ(owner(0), B);
  EXPECT_EQ(vsMonitor_lockState(*object(0)), kLockOwned);
  EXPECT_EQ(b->object, *object(0));
  EXPECT_EQ(b->savedNear, near);
  EXPECT_EQ(b->monitor, 0u);
  EXPECT_EQ(b->nearCopy.hashAndLock, 0x1234u << 2 | 1);
  EXPECT_TRUE(isRunnable(B));
  EXPECT_TRUE(monitorList().empty());

  ASSERT_EQ(release(B, 0), 1);
  EXPECT_EQ(header(0), near);
  EXPECT_EQ(vsMonitor_lockState(*object(0)), kLockUnlocked);
  EXPECT_EQ(vsRef_as<ObjectNear>(near)->hashAndLock, 0x1234u << 2);
  EXPECT_FALSE(vsException_isPending());
}

// Each step locks or releases, then the monitor list, the object's owner,
// lock state and entry queue, and the runnable threads are checked.
TEST_F(MonitorTest, MonitorListFollowsEverySequence) {
  enum Op { Lock, Release };
  struct Step {
    Op op;
    int thread;
    int object;
    std::vector<int> list;
    int owner;
    uint32_t state;
    std::vector<int> queue;
    std::vector<int> runnable;  // in any order
  };
  struct Sequence {
    const char* name;
    std::vector<Step> steps;
  };
  const Sequence kSequences[] = {
      {"two threads hand over and back",
       {{Lock, A, 0, {}, A, 1, {}, {A, C, B}},
        {Lock, B, 0, {0}, A, 3, {B}, {A, C}},
        {Release, A, 0, {}, B, 1, {}, {A, C, B}},
        {Lock, A, 0, {0}, B, 3, {A}, {C, B}},
        {Release, B, 0, {}, A, 1, {}, {C, B, A}},
        {Release, A, 0, {}, -1, 0, {}, {C, B, A}}}},
      {"three threads queue in arrival order",
       {{Lock, A, 0, {}, A, 1, {}, {A, C, B}},
        {Lock, C, 0, {0}, A, 3, {C}, {A, B}},
        {Lock, B, 0, {0}, A, 3, {C, B}, {A}},
        {Release, A, 0, {0}, C, 3, {B}, {A, C}},
        {Release, C, 0, {}, B, 1, {}, {A, C, B}},
        {Release, B, 0, {}, -1, 0, {}, {A, C, B}}}},
      {"new monitors go behind the sentinel; the middle one leaves first",
       {{Lock, A, 0, {}, A, 1, {}, {A, C, B}},
        {Lock, B, 1, {}, B, 1, {}, {A, C, B}},
        {Lock, C, 2, {}, C, 1, {}, {A, C, B}},
        {Lock, B, 0, {0}, A, 3, {B}, {A, C}},
        {Lock, A, 2, {2, 0}, C, 3, {A}, {C}},
        {Lock, C, 1, {1, 2, 0}, B, 3, {C}, {}},
        // B blocks on object 0 but still holds 1: its release (as from
        // exception unwinding) hands 1 to C.
        {Release, B, 1, {2, 0}, C, 1, {}, {C}},
        {Release, C, 2, {0}, A, 1, {}, {C, A}},
        {Release, A, 0, {}, B, 1, {}, {C, A, B}},
        {Release, A, 2, {}, -1, 0, {}, {C, A, B}},
        {Release, C, 1, {}, -1, 0, {}, {C, A, B}},
        {Release, B, 0, {}, -1, 0, {}, {C, A, B}}}},
  };
  for (const Sequence& s : kSequences) {
    SCOPED_TRACE(s.name);
    // Every sequence starts with A, C, B runnable (A, B, C joining).
    for (int t = 0; t < kThreads; ++t) vsScheduler_setRunnable(thread(t), 0);
    for (int t = 0; t < kThreads; ++t) vsScheduler_setRunnable(thread(t), 1);
    int n = 0;
    for (const Step& step : s.steps) {
      SCOPED_TRACE("step " + std::to_string(n++));
      ASSERT_EQ(step.op == Lock ? lock(step.thread, step.object) : release(step.thread, step.object), 1);
      EXPECT_EQ(monitorList(), step.list);
      EXPECT_EQ(owner(step.object), step.owner);
      EXPECT_EQ(vsMonitor_lockState(*object(step.object)), step.state);
      EXPECT_EQ(entryQueue(step.object), step.queue);
      // The run queue's order is the scheduler's: compare the members.
      std::vector<int> members = runnable();
      std::vector<int> expected = step.runnable;
      std::sort(members.begin(), members.end());
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(members, expected);
    }
    for (int o = 0; o < kObjects; ++o) EXPECT_EQ(header(o), originalNear_[o]);
  }
}

TEST_F(MonitorTest, RecursiveEntriesKeepTheLockUntilTheOuterRecord) {
  for (int slot = 0; slot < 3; ++slot) ASSERT_EQ(lock(A, 0, slot), 1);
  EXPECT_EQ(header(0), vsRef_of(&record(A, 0)->nearCopy));
  for (int slot = 1; slot < 3; ++slot) {
    EXPECT_EQ(record(A, slot)->savedNear, 0u);
    EXPECT_EQ(record(A, slot)->object, *object(0));
  }
  ASSERT_EQ(lock(B, 0), 1);
  EXPECT_EQ(entryQueue(0), std::vector<int>{B});

  // The inner entries leave in any order; the lock stays with A.
  for (int slot : {1, 2}) {
    ASSERT_EQ(release(A, 0, slot), 1);
    EXPECT_EQ(record(A, slot)->object, 0u);
    EXPECT_EQ(owner(0), A);
    EXPECT_EQ(vsMonitor_lockState(*object(0)), kLockContended);
    EXPECT_EQ(entryQueue(0), std::vector<int>{B});
  }
  ASSERT_EQ(release(A, 0, 0), 1);
  EXPECT_EQ(owner(0), B);
  EXPECT_TRUE(monitorList().empty());

  // B enters again, recursively, and leaves twice.
  ASSERT_EQ(lock(B, 0, 1), 1);
  ASSERT_EQ(release(B, 0, 1), 1);
  EXPECT_EQ(owner(0), B);
  ASSERT_EQ(release(B, 0, 0), 1);
  EXPECT_EQ(header(0), originalNear_[0]);
}

TEST_F(MonitorTest, ExitsByNonOwnersRaiseAndChangeNothing) {
  ASSERT_EQ(lock(A, 0), 1);
  ASSERT_EQ(lock(B, 0), 1);
  const VmWord lockedHeader = header(0);
  struct Case {
    const char* name;
    int thread;
    int slot;
    VmRef object;      // put into the record first (0: as it is)
    VmWord savedNear;  // idem
  };
  const Case kCases[] = {
      {"record never used", C, 0, 0, 0},
      {"the queued contender's record", B, 0, 0, 0},
      {"a record naming the object it does not hold", C, 1, *object(0), originalNear_[0]},
      {"a recursive entry of an unlocked object", C, 2, *object(1), 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    LockRecord* r = record(c.thread, c.slot);
    if (c.object != 0) {
      r->object = c.object;
      r->savedNear = c.savedNear;
    }
    EXPECT_EQ(vsMonitor_release(r), 0);
    expectRaised(0);
    EXPECT_EQ(header(0), lockedHeader);
    EXPECT_EQ(owner(0), A);
    EXPECT_EQ(header(1), originalNear_[1]);
    EXPECT_EQ(entryQueue(0), std::vector<int>{B});
    EXPECT_EQ(monitorList(), std::vector<int>{0});
  }

  // The exit slow path of a record that names the monitor while the object
  // is still locked.
  LockRecord* stale = record(C, 0);
  stale->monitor = record(A, 0)->monitor;
  EXPECT_EQ(vsMonitor_unlock(stale), 0);
  expectRaised(0);
  EXPECT_EQ(owner(0), A);
  EXPECT_EQ(entryQueue(0), std::vector<int>{B});
}

TEST_F(MonitorTest, UnwindingReleasesOnlyRecordsWithASavedNear) {
  ASSERT_EQ(lock(A, 0, 0), 1);
  ASSERT_EQ(lock(A, 0, 1), 1);
  ASSERT_EQ(lock(B, 0, 0), 1);
  // A free record and a recursive entry are left as they are.
  EXPECT_EQ(vsMonitor_releaseUnwinding(record(C, 0)), 1);
  EXPECT_EQ(vsMonitor_releaseUnwinding(record(A, 1)), 1);
  EXPECT_EQ(record(A, 1)->object, *object(0));
  EXPECT_EQ(owner(0), A);
  EXPECT_FALSE(vsException_isPending());
  // The outer record hands the lock over.
  EXPECT_EQ(vsMonitor_releaseUnwinding(record(A, 0)), 1);
  EXPECT_EQ(owner(0), B);
  EXPECT_EQ(record(A, 0)->object, 0u);
}

TEST_F(MonitorTest, NotifyByANonOwnerRaisesItsCode) {
  struct Case {
    const char* name;
    int32_t all;
    bool heldByOther;
    int32_t code;
  };
  static constexpr Case kCases[] = {
      {"notify, unlocked", 0, false, 114},
      {"notifyAll, unlocked", 1, false, 115},
      {"notify, held by another", 0, true, 114},
      {"notifyAll, held by another", 1, true, 115},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.heldByOther) {
      ASSERT_EQ(lock(A, 0), 1);
    }
    EXPECT_EQ(vsMonitor_notify(object(0), c.all, thread(B)), 0);
    expectRaised(c.code);
    if (c.heldByOther) {
      ASSERT_EQ(release(A, 0), 1);
    }
  }
}

TEST_F(MonitorTest, NotifyWithoutWaitersLeavesNoRecordAndNoContender) {
  ASSERT_EQ(lock(A, 0), 1);
  for (int32_t all : {0, 1}) {
    EXPECT_EQ(vsMonitor_notify(object(0), all, thread(A)), 1);
    EXPECT_TRUE(monitorList().empty());
  }
  // A contender on the entry queue is not a waiter: notify leaves it queued.
  ASSERT_EQ(lock(B, 0), 1);
  for (int32_t all : {0, 1}) {
    EXPECT_EQ(vsMonitor_notify(object(0), all, thread(A)), 1);
    EXPECT_EQ(entryQueue(0), std::vector<int>{B});
    EXPECT_EQ(monitorList(), std::vector<int>{0});
    EXPECT_FALSE(isRunnable(B));
  }
  EXPECT_FALSE(vsException_isPending());
}

TEST_F(MonitorTest, NotifyMovesWaitersToTakeTheLockAgain) {
  struct Case {
    int32_t all;
    std::vector<int> entry;   // after the notify
    std::vector<int> waiting;
  };
  const Case kCases[] = {{0, {B}, {C}}, {1, {B, C}, {}}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.all);
    ASSERT_EQ(lock(A, 0), 1);
    makeWaiter(B, 0, 1);
    makeWaiter(C, 0, 2);
    ASSERT_EQ(vsMonitor_notify(object(0), c.all, thread(A)), 1);
    EXPECT_EQ(entryQueue(0), c.entry);
    EXPECT_EQ(waitSet(0), c.waiting);
    EXPECT_EQ(vsMonitor_lockState(*object(0)), kLockContended);
    EXPECT_EQ(runnable(), std::vector<int>{A});
    EXPECT_EQ(monitorList(), std::vector<int>{0});

    // The woken take the lock one after the other, in their own records.
    ASSERT_EQ(release(A, 0), 1);
    EXPECT_EQ(owner(0), B);
    EXPECT_EQ(record(B, 1)->object, *object(0));
    ASSERT_EQ(vsMonitor_release(record(B, 1)), 1);
    if (c.all == 0) {
      EXPECT_EQ(owner(0), -1);
      // C still waits, so the record stays.
      EXPECT_EQ(monitorList(), std::vector<int>{0});
      ASSERT_EQ(lock(A, 0), 1);
      ASSERT_EQ(vsMonitor_notify(object(0), 0, thread(A)), 1);
      ASSERT_EQ(release(A, 0), 1);
    }
    EXPECT_EQ(owner(0), C);
    EXPECT_TRUE(monitorList().empty());
    ASSERT_EQ(vsMonitor_release(record(C, 2)), 1);
    EXPECT_EQ(header(0), originalNear_[0]);
  }
}

TEST_F(MonitorTest, AContenderFindsTheMonitorOfTheWaiters) {
  ASSERT_EQ(lock(A, 0), 1);
  makeWaiter(C, 0, 1);
  const VmRef m = vsMonitor_find(object(0));
  ASSERT_EQ(lock(B, 0), 1);
  EXPECT_EQ(vsMonitor_find(object(0)), m);
  EXPECT_EQ(record(A, 0)->monitor, m);
  EXPECT_EQ(monitorList(), std::vector<int>{0});
  // The hand-over empties the entry queue but the waiter keeps the record.
  ASSERT_EQ(release(A, 0), 1);
  EXPECT_EQ(owner(0), B);
  EXPECT_EQ(record(B, 0)->monitor, 0u);
  EXPECT_EQ(vsMonitor_lockState(*object(0)), kLockOwned);
  EXPECT_EQ(monitorList(), std::vector<int>{0});
  EXPECT_EQ(waitSet(0), std::vector<int>{C});
  // An exit never hands the lock to a waiter.
  ASSERT_EQ(release(B, 0), 1);
  EXPECT_EQ(owner(0), -1);
  EXPECT_EQ(waitSet(0), std::vector<int>{C});
  EXPECT_FALSE(isRunnable(C));
  EXPECT_EQ(monitorList(), std::vector<int>{0});
}

TEST_F(MonitorTest, WakeMakesRunnableAndRetakesTheObjectsLock) {
  // From the sentinel (a sleeper): runnable, nothing else.
  vsScheduler_setRunnable(thread(C), 0);
  VmRef sentinel = vsRoot(kRootMonitorSentinel);
  ASSERT_EQ(vsMonitor_wake(thread(C), &sentinel), 1);
  EXPECT_TRUE(isRunnable(C));
  EXPECT_EQ(owner(0), -1);

  // From an object's monitor while the object is free: the lock is its.
  makeWaiter(B, 0, 1);
  VmRef m = vsMonitor_find(object(0));
  ASSERT_EQ(vsMonitorQueue_pop(&vsRef_as<MonitorRecord>(m)->waitSet), *thread(B));
  ASSERT_EQ(vsMonitor_wake(thread(B), &m), 1);
  EXPECT_TRUE(isRunnable(B));
  EXPECT_EQ(owner(0), B);
  EXPECT_EQ(header(0), vsRef_of(&record(B, 1)->nearCopy));
}

TEST_F(MonitorTest, NoRoomForAMonitorRecordLeavesTheLockUntouched) {
  // The records here lie outside frames, where no collection could find
  // them: with the in-collection flag set the allocation that finds the
  // window closed fails at once, as one inside a collection does.
  ASSERT_EQ(lock(A, 0), 1);
  vsVmGlobals.allocationEnd = vsVmGlobals.allocationTop;
  vsGC_state.inCollection = 1;
  EXPECT_EQ(lock(B, 0), 0);
  vsGC_state.inCollection = 0;
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
  vsPendingException() = 0;
  EXPECT_EQ(owner(0), A);
  EXPECT_EQ(vsMonitor_lockState(*object(0)), kLockOwned);
  EXPECT_EQ(record(B, 0)->object, *object(0));
  EXPECT_TRUE(isRunnable(B));
  EXPECT_TRUE(monitorList().empty());
}

TEST_F(MonitorTest, LockOfNullRaisesNullPointerException) {
  EXPECT_EQ(vsMonitor_lock(thread(A), record(A, 0)), 0);
  EXPECT_EQ(vsTestException_last().className, "java/lang/NullPointerException");
  vsTestException_clear();
}

TEST_F(MonitorTest, UnlinkOfARecordNotOnTheListChangesNothing) {
  ASSERT_EQ(lock(A, 0), 1);
  ASSERT_EQ(lock(B, 0), 1);
  VmRef loose = vsJavaHeap_newMonitorRecord();
  vsMonitor_unlink(&loose);
  VmRef sentinel = vsRoot(kRootMonitorSentinel);
  vsMonitor_unlink(&sentinel);
  EXPECT_EQ(monitorList(), std::vector<int>{0});
  EXPECT_EQ(vsRoot(kRootMonitorSentinel), sentinel);
}

}  // namespace

namespace {

// Wait, interrupt and the identity hash, with no current thread: nothing
// reschedules.
class WaitTest : public MonitorTest {
 protected:
  static int32_t wait(int t, int o) { return vsMonitor_wait(object(o), 0, 0, thread(t)); }
  static uint32_t flags(int t) { return rec(*thread(t))->flags; }
  static bool sleeping(int t) {
    return vsMonitorQueue_contains(vsRoot_as<MonitorRecord>(kRootMonitorSentinel)->queue, *thread(t));
  }
};

TEST_F(WaitTest, AWaitMakesOneRecordAlsoWhileAContenderQueues) {
  ASSERT_EQ(lock(A, 0), 1);
  ASSERT_EQ(lock(B, 0), 1);
  ASSERT_EQ(monitorList(), std::vector<int>{0});
  // A waits: the contender takes the lock, the same record holds A.
  ASSERT_EQ(wait(A, 0), 1);
  EXPECT_EQ(monitorList(), std::vector<int>{0});
  EXPECT_EQ(waitSet(0), std::vector<int>{A});
  EXPECT_TRUE(entryQueue(0).empty());
  EXPECT_EQ(owner(0), B);
  EXPECT_FALSE(isRunnable(A));
  // A wait without contention makes its record too.
  ASSERT_EQ(lock(C, 1), 1);
  ASSERT_EQ(wait(C, 1), 1);
  EXPECT_EQ(monitorList(), (std::vector<int>{1, 0}));
  EXPECT_EQ(owner(1), -1);
  // Notified, A queues behind the owner on the same record.
  ASSERT_EQ(vsMonitor_notify(object(0), 0, thread(B)), 1);
  EXPECT_EQ(entryQueue(0), std::vector<int>{A});
  EXPECT_TRUE(waitSet(0).empty());
  EXPECT_EQ(monitorList(), (std::vector<int>{1, 0}));
  // The unlock hands the lock to A; the record goes once both queues are empty.
  ASSERT_EQ(release(B, 0), 1);
  EXPECT_EQ(owner(0), A);
  EXPECT_EQ(monitorList(), std::vector<int>{1});
  EXPECT_FALSE(vsException_isPending());
}

TEST_F(WaitTest, AWaitWithoutTheLockRaises113) {
  EXPECT_EQ(wait(A, 0), 0);
  expectRaised(kErrWaitNotOwner);
  EXPECT_TRUE(monitorList().empty());
}

// Only a waiter or a sleeper is woken with InterruptedException; any other
// thread keeps the flag for its next wait or sleep.
TEST_F(WaitTest, InterruptWakesWaitersAndSleepersAndFlagsTheRest) {
  ASSERT_EQ(lock(A, 0), 1);
  ASSERT_EQ(lock(B, 0), 1);  // B on the entry queue
  ASSERT_EQ(lock(C, 1), 1);
  ASSERT_EQ(wait(C, 1), 1);  // C in the wait set of o1, which nobody holds
  struct Case {
    int thread;
    bool flagged;     // only the flag
    bool queuedAfter; // on o0's entry queue afterwards
  };
  const Case kCases[] = {{B, true, true}, {C, false, false}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.thread);
    vsMonitor_interrupt(thread(c.thread));
    EXPECT_EQ((flags(c.thread) & kThreadInterruptedFlag) != 0, c.flagged);
    EXPECT_EQ(rec(*thread(c.thread))->deferredException != 0, !c.flagged);
    EXPECT_FALSE(vsException_isPending()) << "the exception goes to the thread, not the current one";
  }
  EXPECT_EQ(entryQueue(0), std::vector<int>{B});
  // C took o1 again at once and runs.
  EXPECT_EQ(owner(1), C);
  EXPECT_TRUE(isRunnable(C));
  EXPECT_EQ(monitorList(), std::vector<int>{0});
  EXPECT_EQ(vsTestException_last().className, "java/lang/InterruptedException");
  vsTestException_clear();
  // B's flag turns its next wait into the exception at once, and clears.
  ASSERT_EQ(release(A, 0), 1);
  ASSERT_EQ(owner(0), B);
  EXPECT_EQ(wait(B, 0), 0);
  EXPECT_EQ(vsTestException_last().className, "java/lang/InterruptedException");
  EXPECT_EQ(flags(B) & kThreadInterruptedFlag, 0u);
  EXPECT_EQ(owner(0), B);
  vsTestException_clear();
}

TEST_F(WaitTest, InterruptedWaiterQueuesForTheLockItsOwnerHolds) {
  ASSERT_EQ(lock(A, 0), 1);
  ASSERT_EQ(wait(A, 0), 1);
  ASSERT_EQ(lock(B, 0), 1);
  vsMonitor_interrupt(thread(A));
  // A gets its exception only once it runs, and it runs only with the lock.
  EXPECT_NE(rec(*thread(A))->deferredException, 0u);
  EXPECT_EQ(entryQueue(0), std::vector<int>{A});
  EXPECT_FALSE(isRunnable(A));
  ASSERT_EQ(release(B, 0), 1);
  EXPECT_EQ(owner(0), A);
  EXPECT_TRUE(isRunnable(A));
  vsTestException_clear();
}

TEST_F(WaitTest, SleepOfAnInterruptedThreadThrowsAtOnce) {
  vsMonitor_interrupt(thread(A));
  vsScheduler_sleep(1000, 0, thread(A));
  EXPECT_EQ(vsTestException_last().className, "java/lang/InterruptedException");
  EXPECT_FALSE(sleeping(A));
  EXPECT_TRUE(isRunnable(A));
  vsTestException_clear();
  vsScheduler_sleep(1000, 0, thread(A));
  EXPECT_TRUE(sleeping(A));
  vsMonitor_interrupt(thread(A));
  EXPECT_FALSE(sleeping(A));
  EXPECT_TRUE(isRunnable(A));
  EXPECT_NE(rec(*thread(A))->deferredException, 0u);
  vsTestException_clear();
}

TEST_F(WaitTest, WakeTimesSaturate) {
  struct Case {
    int64_t now, milliseconds, expected;
  };
  const Case kCases[] = {
      {1000, 200, 1200},
      {1000, 0x7fffffffffffffffLL, kLargestWakeTime},
      {0x7fffffffffffff00LL, 0x100, kLargestWakeTime},
      {0, 0, 1},  // 0 would mean no time at all
  };
  for (const Case& c : kCases)
    EXPECT_EQ(vsThread_wakeTimeAfter(c.now, c.milliseconds), c.expected) << c.now << " + " << c.milliseconds;
  vsThread_setWakeTime(*thread(A), kLargestWakeTime);
  EXPECT_EQ(rec(*thread(A))->wakeTimeHigh, 0x7fffffffu);
  EXPECT_EQ(rec(*thread(A))->wakeTimeLow, 0xffffffffu);
}

TEST_F(WaitTest, IdentityHashIsKeptAcrossLocking) {
  const int32_t first = vsMonitor_ensureHash(object(0));
  EXPECT_NE(first, 0);
  EXPECT_EQ(static_cast<uint32_t>(first) >> 30, 0u);
  ASSERT_EQ(lock(A, 0), 1);
  EXPECT_EQ(vsMonitor_ensureHash(object(0)), first);
  ASSERT_EQ(release(A, 0), 1);
  EXPECT_EQ(vsMonitor_ensureHash(object(0)), first);
  // Drawn while locked: the saved near gets it and keeps it after unlock.
  ASSERT_EQ(lock(A, 1), 1);
  const int32_t locked = vsMonitor_ensureHash(object(1));
  EXPECT_NE(locked, 0);
  EXPECT_EQ(vsMonitor_ensureHash(object(1)), locked);
  ASSERT_EQ(release(A, 1), 1);
  EXPECT_EQ(vsMonitor_ensureHash(object(1)), locked);
  EXPECT_NE(locked, first);
}

}  // namespace
