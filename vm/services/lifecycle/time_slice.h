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

inline constexpr uint32_t kTimeSlicePeriodMs = 10;

struct TimeSliceState {
  uint32_t running;  // 1 while the callback requests switches
  uint32_t timerOn;  // 1 while the VM timer calls the callback
};

extern VmVariable<TimeSliceState> vsTimeSlice;

// JkSetVmTimerHandler(callback, 10).
void vsOs_setVmTimer(VmTimerHandler callback);

// Sets the running word and starts the VM timer with the time-slice callback.
void vsTimeSlice_start();
// Clears the running word and, when the timer was started, gives it a null
// handler.
void vsTimeSlice_stop();
// Clear / set the running word; both return its address.
uint32_t* vsTimeSlice_clearRunning();
uint32_t* vsTimeSlice_setRunning();
// The running word, read atomically.
bool vsTimeSlice_isRunning();
