// The VM timer thread that drives the VM's time slices.
//
// The timer block lives for the process: its lock, the period, the handler
// and the thread. The first JkSetVmTimerHandler starts the thread (at time-
// critical priority); later calls only change handler and period. The
// thread sleeps `period` ms, reads the VM tick (so the 64-bit tick sees
// every wrap) and then calls the handler under the block's lock, which
// JkSetVmTimerHandler also takes: a handler is never replaced while it runs.
// The period is read before each sleep, so a new one applies from the next
// sleep on. A null handler pauses the calls; the thread keeps sleeping until
// the process ends.
#pragma once

#include <cstdint>

using VmTimerHandler = void (*)();

// Returns the period.
uint32_t JkSetVmTimerHandler(VmTimerHandler handler, uint32_t period);
