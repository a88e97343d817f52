// The lifecycle state words (see lifecycle_state.h).
#include "vm/services/lifecycle/lifecycle_state.h"

#include <atomic>

#include "ce/substrate/vm_sections.h"

namespace {

VS_VMBSS(VsLifecycleState) gState = {};

std::atomic_ref<int32_t> shared(int32_t& word) { return std::atomic_ref<int32_t>(word); }

}  // namespace

int32_t vsVmState_getStarted() { return shared(gState.started).load(); }
void vsVmState_setStarted(int32_t value) { shared(gState.started).store(value); }
int32_t vsVmState_exchangeStarted(int32_t value) { return shared(gState.started).exchange(value); }
int32_t vsVmState_getSuspended() { return shared(gState.suspended).load(); }
void vsVmState_setSuspended(int32_t value) { shared(gState.suspended).store(value); }
int32_t vsVmState_getAppPaused() { return gState.appPaused; }
void vsVmState_setAppPaused(int32_t value) { gState.appPaused = value; }
int32_t vsVmState_getStopRequested() { return gState.stopRequested; }
void vsVmState_setStopRequested(int32_t value) { gState.stopRequested = value; }
int32_t vsVmState_getTerminateRequested() { return gState.terminateRequested; }
void vsVmState_setTerminateRequested(int32_t value) { gState.terminateRequested = value; }
int32_t vsVmState_getSelectorUsed() { return gState.selectorUsed; }
void vsVmState_setSelectorUsed(int32_t value) { gState.selectorUsed = value; }
int32_t vsVmState_getResumeEventOwed() { return gState.resumeEventOwed; }
void vsVmState_setResumeEventOwed(int32_t value) { gState.resumeEventOwed = value; }
int32_t vsVmState_getSelectorActive() { return gState.selectorActive; }
void vsVmState_setSelectorActive(int32_t value) { gState.selectorActive = value; }
int32_t vsVm_getTrustedFlag() { return gState.trusted; }
void vsVm_setTrustedFlag(int32_t value) { gState.trusted = value; }

void vsVmState_updateMask(int32_t bits, int32_t set) {
  std::atomic_ref<int32_t> mask(gState.mask);
  if (set != 0)
    mask.fetch_or(bits);
  else
    mask.fetch_and(~bits);
}

int32_t vsVmState_getMask() { return shared(gState.mask).load(); }
