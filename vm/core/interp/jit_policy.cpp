// The compile policy's start (see jit_policy.h).
#include "vm/core/interp/jit_policy.h"

#include "ce/substrate/vm_sections.h"
#include "vm/core/startup/vm_flags.h"

namespace {

struct PolicyState {
  uint32_t startLow;
  uint32_t startHigh;
};

VS_VMBSS(PolicyState) policy = {};

}  // namespace

void jitPolicy_init(uint64_t nowMillis) {
  policy.startLow = static_cast<uint32_t>(nowMillis);
  policy.startHigh = static_cast<uint32_t>(nowMillis >> 32);
  VmFlagValues& flags = vsVmFlags();
  flags.JITControl_Flags = 3;
  flags.JITControl_MaxAppStartTicks = 0;
  flags.JITControl_MinCompilationInterval = 40;
  flags.CompilationAbstinenceTicks = 0;
}

uint64_t jitPolicy_startTime() { return (uint64_t{policy.startHigh} << 32) | policy.startLow; }
