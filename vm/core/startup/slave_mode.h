// The host-driven VM (SlaveMode): the VM main returns once main is queued,
// and the host then calls the VM step by step on the VM thread.
//
// Each step (vsScheduler_timeSlice) runs under an exit point of its own:
// polls the threads that wait in natives, wakes the due threads, switches to the next runnable one and runs the
// interpreter until it hands control back (a time slice, a blocked thread,
// no thread left to run), and returns the milliseconds until the VM wants
// to run again. The step that sees the VM exit (vsVm_exit, a fatal error)
// or its last thread end, ends the slave VM: shutdown, then the clearing of
// the run (vsVm_clearRun); it returns -2, as every later call does. The
// exit status is then vsVm_lastExitStatus().
//
//   host:  vsVm_run -> 0;  loop { t = vsScheduler_timeSlice(); until -2;
//                                 wait t ms (or until an event) }
#pragma once

#include <cstdint>

// Returned when no slave VM is alive (or it has just ended).
inline constexpr int64_t kSlaveVmEnded = -2;
// Returned when no thread is runnable and the VM is not exiting.
inline constexpr int64_t kSlaveIdleRetryMs = 100;

int64_t vsScheduler_timeSlice();
