// The scheduler's idle wait: the VM thread sleeps on the VM wake-up event
// until something is posted or the time-out passes.
//
// The waiting records of the threads that wait in natives go to their
// re-entry handlers first, each rebuilt from its thread just before its
// handler runs. Then, under the VM lock, the wait is decided: with no
// event thread blocked it waits unless the time-out is 0 (the event queues
// join this decision with the event system). The 64-bit time-out decides
// the length of the wait:
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
