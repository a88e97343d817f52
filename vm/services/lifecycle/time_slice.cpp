// The VM's time slice (see time_slice.h).
#include "vm/services/lifecycle/time_slice.h"

#include "vm/core/threads/scheduler.h"

VS_VMBSS(TimeSliceState) vsTimeSlice = {};

namespace {

// On the VM timer thread.
void onTick() {
  if (vsTimeSlice_isRunning()) vsScheduler_requestYield();
}

void setRunning(uint32_t value) { __atomic_store_n(&vsTimeSlice.running, value, __ATOMIC_RELEASE); }

}  // namespace

void vsOs_setVmTimer(VmTimerHandler callback) { JkSetVmTimerHandler(callback, kTimeSlicePeriodMs); }

void vsTimeSlice_start() {
  setRunning(1);
  vsOs_setVmTimer(onTick);
  vsTimeSlice.timerOn = 1;
}

void vsTimeSlice_stop() {
  setRunning(0);
  if (vsTimeSlice.timerOn != 0) {
    vsOs_setVmTimer(nullptr);
    vsTimeSlice.timerOn = 0;
  }
}

uint32_t* vsTimeSlice_clearRunning() {
  setRunning(0);
  return &vsTimeSlice.running;
}

uint32_t* vsTimeSlice_setRunning() {
  setRunning(1);
  return &vsTimeSlice.running;
}

bool vsTimeSlice_isRunning() { return __atomic_load_n(&vsTimeSlice.running, __ATOMIC_ACQUIRE) != 0; }
