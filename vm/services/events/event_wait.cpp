// Blocked Java event threads and the VM wake-up (see event_wait.h).
#include "vm/services/events/event_wait.h"

#include "port/vm_sync.h"
#include "vm/core/interp/runtime_entries.h"
#include "vm/services/events/event_queue.h"

VS_VMBSS(VsEventWaitState) vsEventWait = {};

namespace {

// The module's records are matched by the wake-up passes; the dispatch
// of the idle wait has nothing to do for them.
int32_t dispatchNothing(WaitingRecord*, VmWord*) { return 0; }

bool ofKind(int32_t id, int32_t kind) { return (id & kVsEventKindMask) == kind; }

// Resumes the thread whose record names this module and the thread id.
void resume(int32_t threadId, int32_t* waiting, WaitingRecord* records, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    const WaitingRecord& r = records[i];
    if (r.length != kVsEventWaitDataBytes || r.data == 0) continue;
    const int32_t* data = vsWord_toPointer<const int32_t>(r.data);
    if (data[kVsEventWaitHandler] != vsEventWait.handlerId || data[kVsEventWaitThread] != threadId) continue;
    vsReentry_resumeThread(&r.thread);
    *waiting = 0;
    --vsEventWait.blockedThreads;
    return;
  }
}

}  // namespace

bool vsK6Event_initializeWaiting() {
  vsEventWait = {};
  vsEventWait.handlerId = vsReentry_registerHandler(dispatchNothing);
  return vsEventWait.handlerId >= 0;
}

void vsK6Event_waitEvent(int32_t threadId) {
  int32_t* waiting = nullptr;
  JkVmEnterCriticalSection();
  const VsEventTables& t = vsEventTables;
  for (int32_t i = 0; waiting == nullptr && i < t.eventThreadCount; ++i)
    if (t.eventThreads.get()[i].id == threadId) waiting = &t.eventThreads.get()[i].waiting;
  for (int32_t i = 0; waiting == nullptr && i < t.ceventThreadCount; ++i)
    if (t.ceventThreads.get()[i].id == threadId) waiting = &t.ceventThreads.get()[i].waiting;
  if (waiting != nullptr) *waiting = 1;
  JkVmLeaveCriticalSection();
  int32_t length = 0;
  VmWord bytes = vsReentry_getData(&length);
  if (length < kVsEventWaitDataBytes) bytes = vsReentry_allocData(kVsEventWaitDataBytes);
  if (bytes == 0) vsVm_fatal("cannot allocate reentry data.");
  int32_t* data = vsWord_toPointer<int32_t>(bytes);
  data[kVsEventWaitHandler] = vsEventWait.handlerId;
  data[kVsEventWaitThread] = threadId;
  data[kVsEventWaitWoken] = 1;
  ++vsEventWait.blockedThreads;
  vsReentry_suspendThread();
}

int32_t vsK6Event_waitIfEmpty(int32_t threadId) {
  // The thread blocks outside the critical section (the scheduler may wait
  // idle meanwhile); an event posted after the test is seen by the idle
  // wait's decision, which runs under the section.
  const bool empty = vsK6Event_hasEvent(threadId) == 0;
  if (empty) vsK6Event_waitEvent(threadId);
  return empty ? 1 : 0;
}

int32_t vsK6Event_wakeThreads(int32_t kind, WaitingRecord* records, uint32_t count) {
  JkVmEnterCriticalSection();
  const VsEventTables& t = vsEventTables;
  const int32_t before = vsEventWait.blockedThreads;
  for (int32_t i = 0; i < t.eventThreadCount; ++i) {
    VsEventThreadEntry& e = t.eventThreads.get()[i];
    const VsEventQueue* q = e.queue.get();
    if (e.waiting != 0 && ofKind(e.id, kind) && q != nullptr && q->usedWords >= 1)
      resume(e.id, &e.waiting, records, count);
  }
  for (int32_t i = 0; i < t.ceventThreadCount; ++i) {
    VsCeventThreadEntry& e = t.ceventThreads.get()[i];
    if (e.waiting != 0 && ofKind(e.id, kind) && vsK6Event_hasEvent(e.id) != 0)
      resume(e.id, &e.waiting, records, count);
  }
  const int32_t woke = vsEventWait.blockedThreads != before ? 1 : 0;
  JkVmLeaveCriticalSection();
  return woke;
}

void vsVm_wake() {
  vsEventWait.wakePending = 1;
  JkVmEventSet();
}

void vsVm_clearWake() {
  vsEventWait.wakePending = 0;
  JkVmEventReset();
}

int32_t vsVm_isWakePending() { return vsEventWait.wakePending; }
