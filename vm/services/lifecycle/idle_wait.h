// The scheduler's idle wait: the VM thread sleeps on the VM wake-up event
// until something is posted or the time-out passes.
//
// The waiting records of the threads that wait in natives go to their
// re-entry handlers first, each rebuilt from its thread just before its
// handler runs. Then, under the VM lock, the wait is decided. With no Java
// event thread blocked in the event system it waits when no event is
// queued and the time-out is not 0; with blocked event threads it waits
// when no event is queued or when the wake-up passes (system, UI, then
// other kinds, up to the first that resumes a thread) resume none. Before
// waiting it clears the VM wake-up, unless internal events are pending.
// After a signalled wait the wake-up passes run again. The 64-bit time-out
// decides the length of the wait:
//   0                                no wait
//   0x7fffffff or more, all ones     0x7fffffff ms
//   otherwise                        the time-out
#pragma once

#include <cstdint>

#include "vm/core/threads/reentry.h"
#include "vm/core/threads/service_calls.h"

inline constexpr int32_t kLongestIdleWaitMs = 0x7fffffff;

// The milliseconds JkVmEventWait gets for a 64-bit time-out (0: no wait).
int32_t vsSys_idleWaitMilliseconds(uint32_t timeoutLow, uint32_t timeoutHigh);
