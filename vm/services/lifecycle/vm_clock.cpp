// The VM's clock (see vm_clock.h).
#include "vm/services/lifecycle/vm_clock.h"

#include "port/vm_clock.h"
#include "port/vm_tick.h"

VS_VMBSS(VmClockBase) vsClockBase = {};

namespace {

uint64_t join(uint32_t high, uint32_t low) { return uint64_t{high} << 32 | low; }

}  // namespace

int64_t vsClock_tickCount() {
  uint32_t high = 0, low = 0;
  JkGetTickCount64(&high, &low);
  return static_cast<int64_t>(join(high, low));
}

void vsClock_rebase() {
  VmClockBase& b = vsClockBase;
  uint32_t high = 0, low = 0;
  JkGetCurrentTimeMillis(&high, &low);
  if (b.rebased != 0 && high == 0 && low == 0) return;
  const auto tick = static_cast<uint64_t>(vsClock_tickCount());
  b.wallHigh = high;
  b.wallLow = low;
  b.tickHigh = static_cast<uint32_t>(tick >> 32);
  b.tickLow = static_cast<uint32_t>(tick);
  b.rebased = 1;
}

int64_t vsClock_currentTimeMillis() {
  const VmClockBase& b = vsClockBase;
  // Modulo 2^64, as the readings themselves.
  return static_cast<int64_t>(static_cast<uint64_t>(vsClock_tickCount()) + join(b.wallHigh, b.wallLow) -
                              join(b.tickHigh, b.tickLow));
}

int64_t vsOs_currentTimeMillis() { return vsClock_currentTimeMillis(); }
