// The VM's clock: 64-bit milliseconds of wall-clock time.
//
// The clock runs on the VM tick count (JkGetTickCount64), which never
// jumps: now = tick count + (stored wall clock - stored tick count). Both
// stored readings are per run and 0 until a re-base stores a pair, so
// until then the clock reads the tick count. Wake-up times of sleeping
// and waiting threads are readings of this clock.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/threads/service_calls.h"

struct VmClockBase {
  uint32_t wallLow;
  uint32_t wallHigh;
  uint32_t tickLow;
  uint32_t tickHigh;
};

extern VmVariable<VmClockBase> vsClockBase;

// The raw 64-bit tick count.
int64_t vsClock_tickCount();
// The current time in milliseconds.
int64_t vsClock_currentTimeMillis();
// vsOs_currentTimeMillis (service_calls.h) is the porting adapter the VM core
// reads this clock through.
