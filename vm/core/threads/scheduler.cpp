// Run queues (see scheduler.h).
#include "vm/core/threads/scheduler.h"

#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/interp/interpreter.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/threads/monitor_queue.h"
#include "vm/core/threads/monitors.h"
#include "vm/core/threads/reentry.h"
#include "vm/core/threads/threads.h"
#include "vm/core/threads/thread_record.h"
#include "vm/core/threads/service_calls.h"

VS_VMBSS(SchedulerState) vsScheduler = {};

static_assert(kRunQueueSlots == kMaxPriority + 1);

namespace {

ThreadRecord* record(VmRef thread) { return vsRef_as<ThreadRecord>(thread); }

VmRef* queueSlot(int32_t priority) {
  return &vsRef_as<ObjectArray>(vsRoot(kRootRunQueues))->elements[priority];
}

void link(VmRef* slot, VmRef value) { vsJavaHeap_storeReference(slot, value); }

void insert(VmRef thread, int32_t priority) {
  VmRef* slot = queueSlot(priority);
  ThreadRecord* t = record(thread);
  const VmRef head = *slot;
  if (head == 0) {
    link(slot, thread);
    link(&t->queueNext, thread);
    link(&t->queuePrevious, thread);
  } else {
    ThreadRecord* h = record(head);
    const VmRef after = h->queueNext;
    link(&t->queueNext, after);
    link(&t->queuePrevious, head);
    link(&record(after)->queuePrevious, thread);
    link(&h->queueNext, thread);
  }
  vsScheduler.priorityBitmap = static_cast<uint16_t>(vsScheduler.priorityBitmap | (1u << priority));
}

void remove(VmRef thread, int32_t priority) {
  VmRef* slot = queueSlot(priority);
  vsMonitorQueue_unlink(slot, thread);
  if (*slot == 0) vsScheduler.priorityBitmap = static_cast<uint16_t>(vsScheduler.priorityBitmap & ~(1u << priority));
}

constexpr uint16_t kOnlyNormPriority = 1u << kNormPriority;
// Idle waits up to this long keep the time slice ticking.
constexpr uint64_t kShortIdleWaitMs = 500;
constexpr uint64_t kWaitWithoutLimit = ~uint64_t{0};

// The earliest wake-up time of any sleeper or timed waiter: false when no
// thread has one.
bool earliestWakeTime(int64_t* earliest) {
  bool found = false;
  for (VmRef m = vsRoot(kRootMonitorSentinel); m != 0; m = vsRef_as<MonitorRecord>(m)->next) {
    const MonitorRecord* r = vsRef_as<MonitorRecord>(m);
    const VmRef head = m == vsRoot(kRootMonitorSentinel) ? r->queue : r->waitSet;
    if (head == 0) continue;
    VmRef at = head;
    do {
      const int64_t time = vsThread_wakeTime(at);
      if (time != 0 && (!found || time < *earliest)) {
        *earliest = time;
        found = true;
      }
      at = record(at)->queueNext;
    } while (at != head);
  }
  return found;
}

}  // namespace

void vsScheduler_initialize() {
  vsScheduler.threadCount = 0;
  vsScheduler.priorityBitmap = 0;
  vsScheduler.lastPriority = 0;
  vsTimeSlice_start();
}

void vsScheduler_exitReset() {
  vsReentry_clearWaiting();
  for (int32_t priority = kMinPriority; priority <= kMaxPriority; ++priority) *queueSlot(priority) = 0;
  vsScheduler.priorityBitmap = 0;
  vsScheduler.threadCount = 1;
  vsRoot(kRootNextThread) = 0;
  if (vsVmGlobals.currentThread != 0) vsScheduler_setRunnable(&vsVmGlobals.currentThread, 1);
}

int32_t vsVm_createRootArray() {
  const VmRef table = vsJavaHeap_newObjectArray(kRunQueueSlots);
  if (table == 0) return 0;
  vsRoot(kRootRunQueues) = table;
  return 1;
}

int32_t vsScheduler_createRunQueueTable() { return vsVm_createRootArray(); }

int32_t vsThread_priority(VmRef thread) {
  const int32_t p = vsRef_as<JavaThreadObject>(record(thread)->javaThread)->priority;
  return p < kMinPriority ? kMinPriority : p > kMaxPriority ? kMaxPriority : p;
}

void vsScheduler_setRunnable(const VmRef* thread, int32_t flag) {
  const VmRef t = *thread;
  const int32_t priority = vsThread_priority(t);
  if (flag != 0) {
    insert(t, priority);
    if (vsRoot(kRootNextThread) == 0) vsRoot(kRootNextThread) = t;
  } else if (record(t)->queueNext != 0) {
    remove(t, priority);
    if (vsRoot(kRootNextThread) == t) vsRoot(kRootNextThread) = *queueSlot(priority);
  }
}

VmRef vsScheduler_pickNext(VmRef current) {
  if (vsScheduler.priorityBitmap == kOnlyNormPriority) {
    VmRef t = vsRoot(kRootNextThread);
    if (t == 0) t = *queueSlot(kNormPriority);
    vsScheduler.lastPriority = kNormPriority;
    vsRoot(kRootNextThread) = t;
    return t;
  }
  for (int32_t priority = kMaxPriority; priority >= kMinPriority; --priority) {
    if ((vsScheduler.priorityBitmap & (1u << priority)) == 0) continue;
    VmRef* slot = queueSlot(priority);
    VmRef t = *slot;
    if (t == current) t = record(t)->queueNext;
    vsScheduler.lastPriority = static_cast<uint8_t>(priority);
    link(slot, t);
    return t;
  }
  return 0;
}

void vsScheduler_setPriority(const VmRef* thread, int32_t oldPriority) {
  ThreadRecord* t = record(*thread);
  if (t->queueNext == 0) return;
  const int32_t old = oldPriority < kMinPriority ? kMinPriority : oldPriority > kMaxPriority ? kMaxPriority : oldPriority;
  const bool next = vsRoot(kRootNextThread) == *thread;
  remove(*thread, old);
  insert(*thread, vsThread_priority(*thread));
  if (next) vsRoot(kRootNextThread) = *thread;
}

void vsScheduler_wakeExpired() {
  if (vsVmFlags().SlaveMode == 0 && vsReentry.waitingCount != 0) vsReentry_waitIdle(0);
  vsMonitor_wakeExpired(vsOs_currentTimeMillis());
}

void vsScheduler_waitFor(uint64_t milliseconds) {
  if (milliseconds <= kShortIdleWaitMs) {
    vsReentry_waitIdle(milliseconds);
    return;
  }
  vsTimeSlice_clearRunning();
  vsReentry_waitIdle(milliseconds);
  vsTimeSlice_setRunning();
}

bool vsScheduler_idleWait(bool timed, int64_t earliest) {
  uint64_t wait = kWaitWithoutLimit;
  if (timed) {
    const int64_t now = vsOs_currentTimeMillis();
    wait = earliest < now ? 0 : static_cast<uint64_t>(earliest) - static_cast<uint64_t>(now) + 1;
  } else if (vsReentry.waitingCount == 0) {
    return false;
  }
  if (vsVmFlags().SlaveMode != 0) {
    vsScheduler_setSlaveWake(wait > static_cast<uint64_t>(kLargestWakeTime) ? kLargestWakeTime : static_cast<int64_t>(wait));
    return false;
  }
  vsScheduler_waitFor(wait);
  return true;
}

void vsScheduler_sleep(uint32_t low, uint32_t high, const VmRef* thread) {
  if (vsMonitor_takeInterrupt(thread)) return;
  vsScheduler_setRunnable(thread, 0);
  const int64_t milliseconds = static_cast<int64_t>(uint64_t{high} << 32 | low);
  vsThread_setWakeTime(*thread, vsThread_wakeTimeAfter(vsOs_currentTimeMillis(), milliseconds));
  vsMonitorQueue_append(&vsRoot_as<MonitorRecord>(kRootMonitorSentinel)->queue, *thread);
  if (*thread == vsVmGlobals.currentThread) vsScheduler_reschedule();
}

void vsScheduler_reschedule() {
  const VmRef current = vsVmGlobals.currentThread;
  vsScheduler_wakeExpired();
  VmRef t = vsScheduler_pickNext(current);
  while (t == 0) {
    int64_t earliest = 0;
    const bool timed = earliestWakeTime(&earliest);
    if (!vsScheduler_idleWait(timed, earliest)) return;
    vsScheduler_wakeExpired();
    t = vsScheduler_pickNext(current);
    vsRoot(kRootNextThread) = t;
  }
  if (vsVmFlags().SlaveMode != 0) vsScheduler_setSlaveWake(0);
  if (t != current) {
    vsRoot(kRootNextThread) = t;
  } else if (vsScheduler.priorityBitmap == kOnlyNormPriority && vsThread_priority(current) == kNormPriority) {
    vsRoot(kRootNextThread) = record(current)->queueNext;
  } else {
    const VmRef other = vsScheduler_pickNext(current);
    vsRoot(kRootNextThread) = other != 0 ? other : current;
  }
}

int64_t vsScheduler_slaveWake() {
  return static_cast<int64_t>(uint64_t{vsScheduler.slaveWakeHigh} << 32 | vsScheduler.slaveWakeLow);
}

void vsScheduler_setSlaveWake(int64_t milliseconds) {
  vsScheduler.slaveWakeLow = static_cast<uint32_t>(milliseconds);
  vsScheduler.slaveWakeHigh = static_cast<uint32_t>(static_cast<uint64_t>(milliseconds) >> 32);
}

void vsScheduler_switchAfterNative() {
  VmRef t = vsRoot(kRootNextThread);
  if (t == 0) t = vsScheduler_pickNext(vsVmGlobals.currentThread);
  if (vsVmFlags().SlaveMode != 0) {
    if (t == 0 && vsScheduler_slaveWake() == kSlaveNoWake) vsScheduler_setSlaveWake(kLargestWakeTime);
    if (t == 0 || vsScheduler_slaveWake() != kSlaveNoWake) vsInterpreter_exitToRuntime();
  }
  if (t == 0) t = vsScheduler_pickNext(vsVmGlobals.currentThread);
  if (t == 0) vsOs_idleForever();
  if (t != vsVmGlobals.currentThread) vsThread_switchTo(t);
}

void vsScheduler_requestYield() { __atomic_fetch_or(&vsVmGlobals.yieldWord, VmWord{1}, __ATOMIC_RELAXED); }

void vsScheduler_publishStackLimit(VmWord limit) {
  VmWord old = __atomic_load_n(&vsVmGlobals.yieldWord, __ATOMIC_RELAXED);
  while (!__atomic_compare_exchange_n(&vsVmGlobals.yieldWord, &old, limit | (old & 1), true, __ATOMIC_RELAXED,
                                      __ATOMIC_RELAXED)) {
  }
}

void vsThread_yieldEntry(const VmRef*) {
  if (vsVmState().exiting != 0 && !vsException_isPending()) vsInterpreter_exitToRuntime();
  if (vsScheduler_isSwitchDisabled() == 0) vsScheduler_reschedule();
  __atomic_fetch_and(&vsVmGlobals.yieldWord, ~VmWord{1}, __ATOMIC_RELAXED);
}
