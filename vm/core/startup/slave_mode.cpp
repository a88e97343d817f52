// The host-driven VM (see slave_mode.h).
#include "vm/core/startup/slave_mode.h"

#include <csetjmp>

#include "vm/core/interp/interpreter.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_run.h"
#include "vm/core/threads/reentry.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/threads.h"

namespace {

bool ended() { return vsVmState().exiting != 0 || vsScheduler.threadCount == 0; }

void endSlaveVm() {
  vsScheduler.slaveAlive = 0;
  vsVm_shutdown();
  vsVm_clearRun();
}

int64_t step() {
  if (ended()) return kSlaveVmEnded;
  // The scheduler leaves the polls of the waiting natives to the host's step.
  if (vsReentry.waitingCount != 0) vsReentry_waitIdle(0);
  vsScheduler_wakeExpired();
  VmRef t = vsRoot(kRootNextThread);
  if (t == 0) t = vsScheduler_pickNext(vsVmGlobals.currentThread);
  if (t == 0) return kSlaveIdleRetryMs;
  vsScheduler_setSlaveWake(kSlaveNoWake);
  __atomic_fetch_and(&vsVmGlobals.yieldWord, ~VmWord{1}, __ATOMIC_RELAXED);
  if (t != vsVmGlobals.currentThread) vsThread_switchTo(t);
  vsInterpreter_resumeCurrentThread();
  return ended() ? kSlaveVmEnded : vsScheduler_slaveWake();
}

}  // namespace

int64_t vsScheduler_timeSlice() {
  if (vsScheduler.slaveAlive == 0) return kSlaveVmEnded;
  VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    endSlaveVm();
    return kSlaveVmEnded;
  }
  vsExitPoint_push(&point);
  const int64_t wake = step();
  vsExitPoint_remove(&point);
  if (wake == kSlaveVmEnded) endSlaveVm();
  return wake;
}
