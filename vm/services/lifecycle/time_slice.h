// The VM's time slice: every 10 ms the VM timer thread asks the VM thread
// for a thread switch, while the running word is set.
//
// The running word is the one word of this module that two native threads
// share: the VM thread writes it, the timer thread's callback reads it.
// Both go through atomic accesses. The scheduler clears it around long
// idle waits, so that an idle VM takes no ticks.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "port/vm_timer.h"
#include "vm/core/threads/service_calls.h"

inline constexpr uint32_t kTimeSlicePeriodMs = 10;

struct TimeSliceState {
  uint32_t running;  // 1 while the callback requests switches
  uint32_t timerOn;  // 1 while the VM timer calls the callback
};

extern VmVariable<TimeSliceState> vsTimeSlice;

// JkSetVmTimerHandler(callback, 10).
void vsOs_setVmTimer(VmTimerHandler callback);

// vsTimeSlice_start/_stop/_clearRunning/_setRunning: service_calls.h.
// The running word, read atomically.
bool vsTimeSlice_isRunning();
