// Run queues (see scheduler.h).
#include "vm/core/threads/scheduler.h"

#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/interp/interpreter.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/threads/threads.h"
#include "vm/core/threads/thread_record.h"
#include "vm/services/lifecycle/os_idle.h"

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
  ThreadRecord* t = record(thread);
  if (t->queueNext == thread) {
    *slot = 0;
    vsScheduler.priorityBitmap = static_cast<uint16_t>(vsScheduler.priorityBitmap & ~(1u << priority));
  } else {
    link(&record(t->queuePrevious)->queueNext, t->queueNext);
    link(&record(t->queueNext)->queuePrevious, t->queuePrevious);
    if (*slot == thread) link(slot, t->queueNext);
  }
  t->queueNext = 0;
  t->queuePrevious = 0;
}

constexpr uint16_t kOnlyNormPriority = 1u << kNormPriority;

}  // namespace

void vsScheduler_initialize() {
  vsScheduler.threadCount = 0;
  vsScheduler.priorityBitmap = 0;
  vsScheduler.lastPriority = 0;
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

void vsScheduler_reschedule() {
  const VmRef current = vsVmGlobals.currentThread;
  const VmRef t = vsScheduler_pickNext(current);
  if (t == 0) return;
  if (t != current) {
    vsRoot(kRootNextThread) = t;
  } else if (vsScheduler.priorityBitmap == kOnlyNormPriority && vsThread_priority(current) == kNormPriority) {
    vsRoot(kRootNextThread) = record(current)->queueNext;
  } else {
    const VmRef other = vsScheduler_pickNext(current);
    vsRoot(kRootNextThread) = other != 0 ? other : current;
  }
}

void vsScheduler_switchAfterNative() {
  VmRef t = vsRoot(kRootNextThread);
  if (t == 0) t = vsScheduler_pickNext(vsVmGlobals.currentThread);
  if (t == 0) t = vsScheduler_pickNext(vsVmGlobals.currentThread);
  if (t == 0) vsOs_idleForever();
  if (t != vsVmGlobals.currentThread) vsThread_switchTo(t);
}

void vsScheduler_requestYield() { vsVmGlobals.yieldWord |= 1; }

void vsThread_yieldEntry(const VmRef*) {
  if (vsVmState().exiting != 0 && !vsException_isPending()) vsInterpreter_exitToRuntime();
  if (vsScheduler_isSwitchDisabled() == 0) vsScheduler_reschedule();
  vsVmGlobals.yieldWord &= ~VmWord{1};
}
