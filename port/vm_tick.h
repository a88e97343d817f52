// The VM's 64-bit millisecond tick count.
//
// GetTickCount wraps every 2^32 ms. The tick base is taken at the platform
// set-up; from then on
//   elapsed = 2^32 * wraps + now - base      (in 64 bits)
// where wraps counts the readings lower than the one before them. The VM
// timer thread reads the tick once per period, so no wrap passes unseen.
// The base and wrap state are process-wide host values (outside the VM
// sections), guarded by a small lock.
#pragma once

#include <cstdint>

// Takes the tick base and clears the wrap count.
void VmTickBaseInit();

// Milliseconds since the base as two words; nothing when either pointer is
// null.
void JkGetTickCount64(uint32_t* high, uint32_t* low);
