// The scheduler's idle wait (see idle_wait.h).
#include "vm/services/lifecycle/idle_wait.h"

#include "port/vm_sync.h"

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
  const int32_t milliseconds = vsSys_idleWaitMilliseconds(timeoutLow, timeoutHigh);
  JkVmEnterCriticalSection();
  const bool wait = milliseconds != 0;
  if (wait) JkVmEventReset();
  JkVmLeaveCriticalSection();
  if (wait) JkVmEventWait(milliseconds);
}
