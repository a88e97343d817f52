// The scheduler's idle wait (see idle_wait.h).
#include "vm/services/lifecycle/idle_wait.h"

#include "port/vm_sync.h"
#include "vm/services/events/event_posters.h"
#include "vm/services/events/event_queue.h"
#include "vm/services/events/event_wait.h"

namespace {

// The kinds of event threads the wake-up passes try, in order.
constexpr int32_t kWakeOrder[] = {kVsEventKindSystem, kVsEventKindUi, kVsEventKindOther};

// Runs the wake-up passes until one wakes a thread: 1 when one did. Under
// the VM critical section.
int32_t wakeEventThreads() {
  uint32_t count = 0;
  WaitingRecord* records = vsReentry_getWaitingThreads(&count);
  for (const int32_t kind : kWakeOrder)
    if (vsK6Event_wakeThreads(kind, records, count) != 0) return 1;
  return 0;
}

// The hook before the wait's decision: nothing in this system.
void prePoll() {}

}  // namespace

int32_t vsSys_idleWaitMilliseconds(uint32_t timeoutLow, uint32_t timeoutHigh) {
  const uint64_t timeout = uint64_t{timeoutHigh} << 32 | timeoutLow;
  return timeout >= static_cast<uint64_t>(kLongestIdleWaitMs) ? kLongestIdleWaitMs : static_cast<int32_t>(timeout);
}

void vsSys_idleWait(WaitingRecord*, uint32_t count, uint32_t timeoutLow, uint32_t timeoutHigh) {
  // The records move with the collector and with the handlers' data: each
  // is rebuilt from its thread just before its handler runs.
  for (uint32_t i = 0; i < count; ++i) {
    WaitingRecord* r = vsReentry_refreshRecord(i);
    if (r == nullptr) break;
    vsReentry_dispatch(r);
  }
  prePoll();
  const int32_t milliseconds = vsSys_idleWaitMilliseconds(timeoutLow, timeoutHigh);
  JkVmEnterCriticalSection();
  const bool queued = vsEventTables.totalEvents != 0;
  const bool wait = vsEventWait.blockedThreads == 0 ? !queued && milliseconds != 0
                                                   : !queued || wakeEventThreads() == 0;
  if (wait && vsK6Event_hasPendingEvents() == 0) vsVm_clearWake();
  JkVmLeaveCriticalSection();
  if (!wait || milliseconds == 0) return;
  if (JkVmEventWait(milliseconds) == -1) return;
  JkVmEnterCriticalSection();
  wakeEventThreads();
  JkVmLeaveCriticalSection();
}
