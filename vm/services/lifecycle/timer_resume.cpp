// The Timer's resume flag (see timer_resume.h).
#include "vm/services/lifecycle/timer_resume.h"

#include "ce/substrate/vm_sections.h"

namespace {

VS_VMBSS(int32_t) gResumeRequested = 0;

}  // namespace

void vsTimer_resumedHook(VmPtr<VsVmHookTable>*) { gResumeRequested = 1; }

int32_t vsTimer_resumeRequested() { return gResumeRequested; }
