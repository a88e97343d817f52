// The VM's clock: 64-bit milliseconds of wall-clock time.
//
// The clock runs on the VM tick count (JkGetTickCount64), which never
// jumps: now = tick count + (stored wall clock - stored tick count). Both
// stored readings are per run and 0 until a re-base stores a pair, so
// until then the clock reads the tick count. The first re-base of a run
// always stores the pair; a later one only when the wall clock reads
// other than 0 (a clock that failed keeps the last good offset). Wake-up times of sleeping
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
  int32_t rebased;  // a re-base stored a pair in this run
};
static_assert(sizeof(VmClockBase) == 20);

extern VmVariable<VmClockBase> vsClockBase;

// The raw 64-bit tick count.
int64_t vsClock_tickCount();
// Stores the wall clock (JkGetCurrentTimeMillis) and the tick count as the
// clock's base (the rule above): at the start of a run and at each resume.
void vsClock_rebase();
// The current time in milliseconds.
int64_t vsClock_currentTimeMillis();
// vsOs_currentTimeMillis (service_calls.h) is the porting adapter the VM core
// reads this clock through.
