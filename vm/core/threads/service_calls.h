// The calls the thread layer makes up into the services: the clock, the
// idle waits and the time slice.
//
// They are declared here, in the layer that calls them, so that no core file
// includes a service header; vm/services/lifecycle defines them, and its own
// headers include this one, so a declaration and its definition cannot part.
#pragma once

#include <cstdint>

struct WaitingRecord;

// The current time in milliseconds (the VM clock, vm_clock.h). Wake-up times
// of sleeping and waiting threads are readings of it.
int64_t vsOs_currentTimeMillis();

// The VM thread's wait when no green thread can ever run again: it waits on
// the VM wake-up event without limit, again and again; only the VM's exit,
// which leaves through an exit point, ends it.
[[noreturn]] void vsOs_idleForever();

// The scheduler's idle wait (idle_wait.h): the waiting records go to their
// re-entry handlers, then the VM thread sleeps until something is posted or
// the 64-bit time-out passes.
void vsSys_idleWait(WaitingRecord* records, uint32_t count, uint32_t timeoutLow, uint32_t timeoutHigh);

// The time slice (time_slice.h). Start sets the running word and starts the
// VM timer; stop clears it and gives a started timer a null handler.
void vsTimeSlice_start();
void vsTimeSlice_stop();
// Clear / set the running word; both return its address.
uint32_t* vsTimeSlice_clearRunning();
uint32_t* vsTimeSlice_setRunning();
