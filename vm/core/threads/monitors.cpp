// Monitor enter and exit, notify and the monitor list (see monitors.h).
#include "vm/core/threads/monitors.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/threads/monitor_queue.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/stack_growth.h"
#include "vm/core/threads/thread_record.h"
#include "vm/core/memory/hash_generator.h"
#include "vm/core/threads/service_calls.h"

namespace {

constexpr const char* kInterruptedClass = "java/lang/InterruptedException";
// The hash bits of a near record's hash-and-lock word.
constexpr uint32_t kIdentityHashMask = ~0u >> 2;

ThreadRecord* threadRecord(VmRef thread) { return vsRef_as<ThreadRecord>(thread); }
MonitorRecord* monitorRecord(VmRef monitor) { return vsRef_as<MonitorRecord>(monitor); }

void store(VmRef* slot, VmRef value) { vsJavaHeap_storeReference(slot, value); }

// The lock record at the thread's saved offset from its stack base.
LockRecord* recordAtOffset(VmRef thread) {
  return vsWord_toPointer<LockRecord>(vsThread_stackBase(thread) + threadRecord(thread)->lockRecordOffset);
}

VmWord headerWord(VmRef object) { return vsRef_as<ObjectHeader>(object)->near.raw; }

LockRecord* recordOfNearCopy(VmWord nearCopy) {
  return vsWord_toPointer<LockRecord>(nearCopy - kLockRecordNearCopyOffset);
}

// The record takes the object's free lock: the near record's words are
// copied with state 1 and the header points at the copy.
void take(LockRecord* r, VmRef thread, VmRef object) {
  const VmWord near = headerWord(object);
  const ObjectNear* n = vsWord_toPointer<ObjectNear>(near);
  store(&r->nearCopy.classRecord.raw, n->classRecord.raw);
  store(&r->nearCopy.classInfo.raw, n->classInfo.raw);
  r->nearCopy.hashAndLock = n->hashAndLock;
  vsMonitorWord_setState(&r->nearCopy.hashAndLock, kLockOwned);
  store(&r->owner, thread);
  store(&r->savedNear, near);
  r->monitor = 0;
  store(&r->object, object);
  store(&vsRef_as<ObjectHeader>(object)->near.raw, vsRef_of(&r->nearCopy));
}

// The owner's record names the monitor while threads queue to take the lock.
void setContended(LockRecord* owner, VmRef monitor) {
  store(&owner->monitor, monitor);
  vsMonitorWord_setState(&owner->nearCopy.hashAndLock, kLockContended);
}

void unlinkWhenIdle(VmRef monitor) {
  const MonitorRecord* m = monitorRecord(monitor);
  if (m->queue == 0 && m->waitSet == 0) vsMonitor_unlink(&monitor);
}

int32_t illegalMonitorState(int32_t code) {
  vsException_raiseWithCode(kIllegalMonitorStateClass, code);
  return 0;
}

// Takes the thread off its run queue, sets its wake-up time (timeout above
// 0: now + timeout; else none) and puts it at the end of the queue.
void queueBlocked(const VmRef* thread, VmRef* queue, int64_t timeout) {
  vsScheduler_setRunnable(thread, 0);
  vsThread_setWakeTime(*thread, timeout > 0 ? vsThread_wakeTimeAfter(vsOs_currentTimeMillis(), timeout) : 0);
  vsMonitorQueue_append(queue, *thread);
}

// The object's monitor record, made and linked when it has none.
VmRef findOrCreate(const VmRef* object) {
  const VmRef found = vsMonitor_find(object);
  if (found != 0) return found;
  VmHandle monitor;
  vsHandle_push(&monitor, vsJavaHeap_newMonitorRecord());
  if (monitor.object != 0) {
    store(&monitorRecord(monitor.object)->object, *object);
    vsMonitor_link(&monitor.object);
  }
  const VmRef result = monitor.object;
  vsHandle_close(&monitor);
  return result;
}

// The lock of `object` is held through another thread's record: the thread
// queues behind it.
int32_t contend(const VmRef* thread, LockRecord* record, const VmRef* object) {
  // Offsets survive a move of the stack that the allocation may cause.
  const uint32_t offset = vsRef_of(record) - vsThread_stackBase(*thread);
  const VmRef monitor = findOrCreate(object);
  if (monitor == 0) return 0;
  record = vsWord_toPointer<LockRecord>(vsThread_stackBase(*thread) + offset);
  threadRecord(*thread)->lockRecordOffset = offset;
  record->object = 0;
  setContended(recordOfNearCopy(headerWord(*object)), monitor);
  vsMonitor_timedBlock(thread, &monitorRecord(monitor)->queue, 0);
  return 1;
}

// Takes every thread of the queue whose wake-up time has come off it and
// wakes it.
void wakeDue(const VmRef* monitor, bool sentinel, int64_t now) {
  for (;;) {
    MonitorRecord* m = monitorRecord(*monitor);
    VmRef* queue = sentinel ? &m->queue : &m->waitSet;
    const VmRef head = *queue;
    if (head == 0) return;
    VmRef due = 0;
    VmRef at = head;
    do {
      const int64_t time = vsThread_wakeTime(at);
      if (time != 0 && time <= now) due = at;
      at = threadRecord(at)->queueNext;
    } while (due == 0 && at != head);
    if (due == 0) return;
    vsMonitorQueue_unlink(queue, due);
    vsThread_setWakeTime(due, 0);
    vsMonitor_wake(&due, monitor);
  }
}

}  // namespace

int32_t vsMonitor_createSentinel() {
  const VmRef sentinel = vsJavaHeap_newMonitorRecord();
  if (sentinel == 0) return 0;
  vsRoot(kRootMonitorSentinel) = sentinel;
  return 1;
}

VmRef vsMonitor_find(const VmRef* object) {
  const VmRef sentinel = vsRoot(kRootMonitorSentinel);
  if (sentinel == 0 || *object == 0) return 0;
  for (VmRef m = monitorRecord(sentinel)->next; m != 0; m = monitorRecord(m)->next)
    if (monitorRecord(m)->object == *object) return m;
  return 0;
}

void vsMonitor_link(const VmRef* monitor) {
  MonitorRecord* sentinel = vsRoot_as<MonitorRecord>(kRootMonitorSentinel);
  store(&monitorRecord(*monitor)->next, sentinel->next);
  store(&sentinel->next, *monitor);
}

void vsMonitor_unlink(const VmRef* monitor) {
  const VmRef sentinel = vsRoot(kRootMonitorSentinel);
  if (sentinel == 0 || *monitor == sentinel) return;
  for (VmRef at = sentinel; at != 0; at = monitorRecord(at)->next) {
    MonitorRecord* m = monitorRecord(at);
    if (m->next == *monitor) {
      store(&m->next, monitorRecord(*monitor)->next);
      monitorRecord(*monitor)->next = 0;
      return;
    }
  }
}

uint32_t vsMonitor_lockState(VmRef object) {
  return vsMonitorWord_state(vsWord_toPointer<ObjectNear>(headerWord(object))->hashAndLock);
}

LockRecord* vsMonitor_ownerRecord(VmRef object) {
  if (vsMonitor_lockState(object) == kLockUnlocked) return nullptr;
  return recordOfNearCopy(headerWord(object));
}

bool vsMonitor_isOwner(const VmRef* object, const VmRef* thread) {
  const LockRecord* owner = vsMonitor_ownerRecord(*object);
  return owner != nullptr && owner->owner == *thread;
}

int32_t vsMonitor_lock(const VmRef* thread, LockRecord* record) {
  VmHandle object;
  vsHandle_push(&object, record->object);
  int32_t result = 1;
  if (object.object == 0) {
    vsException_raise(kNullPointerClass, nullptr);
    result = 0;
  } else if (vsMonitor_lockState(object.object) == kLockUnlocked) {
    take(record, *thread, object.object);
  } else if (vsMonitor_isOwner(&object.object, thread)) {
    record->savedNear = 0;
  } else {
    result = contend(thread, record, &object.object);
  }
  vsHandle_close(&object);
  return result;
}

int32_t vsMonitor_unlock(LockRecord* record) {
  const VmRef monitor = record->monitor;
  if (monitor == 0) return 1;
  MonitorRecord* m = monitorRecord(monitor);
  const VmRef object = m->object;
  if (object == 0 || vsMonitor_lockState(object) != kLockUnlocked) return illegalMonitorState(0);
  const VmRef waiter = vsMonitorQueue_pop(&m->queue);
  if (waiter != 0) {
    vsScheduler_setRunnable(&waiter, 1);
    LockRecord* next = recordAtOffset(waiter);
    take(next, waiter, object);
    if (m->queue != 0) setContended(next, monitor);
  }
  unlinkWhenIdle(monitor);
  return 1;
}

int32_t vsMonitor_release(LockRecord* record) {
  const VmRef object = record->object;
  if (object == 0) return illegalMonitorState(0);
  if (record->savedNear == 0) {
    // A recursive entry: the outer record keeps the lock.
    if (vsMonitor_lockState(object) == kLockUnlocked) return illegalMonitorState(0);
    record->object = 0;
    return 1;
  }
  if (headerWord(object) != vsRef_of(&record->nearCopy)) return illegalMonitorState(0);
  store(&vsRef_as<ObjectHeader>(object)->near.raw, record->savedNear);
  record->object = 0;
  return vsMonitor_unlock(record);
}

int32_t vsMonitor_releaseUnwinding(LockRecord* record) {
  if (record->object == 0 || record->savedNear == 0) return 1;
  return vsMonitor_release(record);
}

int32_t vsMonitor_notify(const VmRef* object, int32_t all, const VmRef* thread) {
  if (!vsMonitor_isOwner(object, thread))
    return illegalMonitorState(all != 0 ? kErrNotifyAllNotOwner : kErrNotifyNotOwner);
  VmHandle monitor;
  vsHandle_push(&monitor, vsMonitor_find(object));
  int32_t result = 1;
  if (monitor.object != 0) {
    VmHandle waiter;
    vsHandle_pushEmpty(&waiter);
    bool woken = false;
    while (result != 0 && (all != 0 || !woken)) {
      waiter.object = vsMonitorQueue_pop(&monitorRecord(monitor.object)->waitSet);
      if (waiter.object == 0) break;
      result = vsMonitor_wake(&waiter.object, &monitor.object);
      woken = true;
    }
    unlinkWhenIdle(monitor.object);
  }
  vsHandle_close(&monitor);
  return result;
}

int32_t vsMonitor_wake(const VmRef* thread, const VmRef* monitor) {
  vsScheduler_setRunnable(thread, 1);
  if (*monitor == vsRoot(kRootMonitorSentinel)) return 1;
  LockRecord* record = recordAtOffset(*thread);
  store(&record->object, monitorRecord(*monitor)->object);
  return vsMonitor_lock(thread, record);
}

int64_t vsThread_wakeTime(VmRef thread) {
  const ThreadRecord* t = threadRecord(thread);
  return static_cast<int64_t>(uint64_t{t->wakeTimeHigh} << 32 | t->wakeTimeLow);
}

void vsThread_setWakeTime(VmRef thread, int64_t time) {
  ThreadRecord* t = threadRecord(thread);
  t->wakeTimeLow = static_cast<uint32_t>(time);
  t->wakeTimeHigh = static_cast<uint32_t>(static_cast<uint64_t>(time) >> 32);
}

int64_t vsThread_wakeTimeAfter(int64_t now, int64_t milliseconds) {
  const int64_t time = milliseconds > kLargestWakeTime - now ? kLargestWakeTime : now + milliseconds;
  return time == 0 ? 1 : time;
}

void vsMonitor_timedBlock(const VmRef* thread, VmRef* queue, int64_t timeout) {
  queueBlocked(thread, queue, timeout);
  if (*thread == vsVmGlobals.currentThread) vsScheduler_reschedule();
}

bool vsMonitor_takeInterrupt(const VmRef* thread) {
  ThreadRecord* t = threadRecord(*thread);
  if ((t->flags & kThreadInterruptedFlag) == 0) return false;
  t->flags &= ~kThreadInterruptedFlag;
  vsMonitor_throwInterrupted(thread);
  return true;
}

int32_t vsMonitor_wait(const VmRef* object, uint32_t timeoutLow, uint32_t timeoutHigh, const VmRef* thread) {
  if (!vsMonitor_isOwner(object, thread)) return illegalMonitorState(kErrWaitNotOwner);
  if (vsMonitor_takeInterrupt(thread)) return 0;
  VmHandle monitor;
  vsHandle_push(&monitor, findOrCreate(object));
  int32_t result = 0;
  if (monitor.object != 0) {
    LockRecord* owner = vsMonitor_ownerRecord(*object);
    threadRecord(*thread)->lockRecordOffset = vsRef_of(owner) - vsThread_stackBase(*thread);
    const int64_t timeout = static_cast<int64_t>(uint64_t{timeoutHigh} << 32 | timeoutLow);
    // In the wait set before the release, so that the release keeps the
    // record linked; the reschedule after it, since its idle wait may end
    // the time-out and this thread must then find the lock free to retake.
    queueBlocked(thread, &monitorRecord(monitor.object)->waitSet, timeout);
    result = vsMonitor_release(owner);
    if (*thread == vsVmGlobals.currentThread) vsScheduler_reschedule();
  }
  vsHandle_close(&monitor);
  return result;
}

void vsMonitor_throwInterrupted(const VmRef* thread) {
  if (*thread == vsVmGlobals.currentThread) {
    vsException_raise(kInterruptedClass, nullptr);
    return;
  }
  VmHandle target;
  vsHandle_push(&target, *thread);
  const VmWord before = vsPendingException();
  vsPendingException() = 0;
  vsException_raise(kInterruptedClass, nullptr);
  store(&threadRecord(target.object)->deferredException, vsPendingException());
  vsPendingException() = before;
  vsHandle_close(&target);
}

void vsMonitor_interrupt(const VmRef* thread) {
  VmHandle monitor;
  vsHandle_push(&monitor, vsRoot(kRootMonitorSentinel));
  for (; monitor.object != 0; monitor.object = monitorRecord(monitor.object)->next) {
    const bool sentinel = monitor.object == vsRoot(kRootMonitorSentinel);
    VmRef* queue = sentinel ? &monitorRecord(monitor.object)->queue : &monitorRecord(monitor.object)->waitSet;
    if (vsMonitorQueue_remove(queue, *thread) == 0) continue;
    vsMonitor_throwInterrupted(thread);
    vsThread_setWakeTime(*thread, 0);
    vsMonitor_wake(thread, &monitor.object);
    if (!sentinel) unlinkWhenIdle(monitor.object);
    vsHandle_close(&monitor);
    return;
  }
  vsHandle_close(&monitor);
  threadRecord(*thread)->flags |= kThreadInterruptedFlag;
}

void vsMonitor_wakeExpired(int64_t now) {
  VmHandle monitor;
  vsHandle_push(&monitor, vsRoot(kRootMonitorSentinel));
  VmHandle next;
  vsHandle_pushEmpty(&next);
  while (monitor.object != 0) {
    const bool sentinel = monitor.object == vsRoot(kRootMonitorSentinel);
    wakeDue(&monitor.object, sentinel, now);
    next.object = monitorRecord(monitor.object)->next;
    if (!sentinel) unlinkWhenIdle(monitor.object);
    monitor.object = next.object;
  }
  vsHandle_close(&monitor);
}

int32_t vsMonitor_ensureHash(const VmRef* object) {
  const ObjectNear* near = vsWord_toPointer<ObjectNear>(headerWord(*object));
  const uint32_t existing = vsMonitorWord_count(near->hashAndLock);
  if (existing != 0) return static_cast<int32_t>(existing);
  VmHandle cls;
  vsHandle_push(&cls, near->classRecord.raw);
  const VmRef own = vsJavaHeap_newInstanceOfSize(&cls.object, sizeof(ObjectNear));
  vsHandle_close(&cls);
  if (own == 0) return 0;
  uint32_t hash = 0;
  while (hash == 0) hash = vsMonitor_nextHash() & kIdentityHashMask;
  vsMonitorWord_setCount(&vsRef_as<ObjectNear>(own)->hashAndLock, hash);
  if (vsMonitor_lockState(*object) == kLockUnlocked) {
    store(&vsRef_as<ObjectHeader>(*object)->near.raw, own);
  } else {
    LockRecord* owner = vsMonitor_ownerRecord(*object);
    store(&owner->savedNear, own);
    vsMonitorWord_setCount(&owner->nearCopy.hashAndLock, hash);
  }
  return static_cast<int32_t>(hash);
}
