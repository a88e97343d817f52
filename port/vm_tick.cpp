// The VM's 64-bit tick count (see vm_tick.h).
#include "port/vm_tick.h"

#include <mutex>

#include "ce/core/clock.h"

namespace {

std::mutex gLock;
uint32_t gBase = 0;      // guarded by gLock
uint32_t gPrevious = 0;  // the last reading
uint32_t gWraps = 0;

}  // namespace

void VmTickBaseInit() {
  std::lock_guard<std::mutex> guard(gLock);
  gBase = GetTickCount();
  gPrevious = gBase;
  gWraps = 0;
}

void JkGetTickCount64(uint32_t* high, uint32_t* low) {
  if (high == nullptr || low == nullptr)
    return;
  std::lock_guard<std::mutex> guard(gLock);
  const uint32_t now = GetTickCount();
  if (now < gPrevious)
    ++gWraps;
  gPrevious = now;
  const uint64_t elapsed = (uint64_t{gWraps} << 32) + now - gBase;
  *high = static_cast<uint32_t>(elapsed >> 32);
  *low = static_cast<uint32_t>(elapsed);
}
