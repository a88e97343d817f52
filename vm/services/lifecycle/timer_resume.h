// The Timer's resume flag: timer threads that wait out a VM suspension
// (java.util.Timer's waitResume native) go on once it is 1. The resumed
// hook of the MIDP part's hook table (connection/parts.h) sets it at every
// VM resume. The flag is a VM variable, 0 at the start of every run.
#pragma once

#include <cstdint>

#include "vm/services/lifecycle/vm_hooks.h"

// The resumed hook: sets the flag.
void vsTimer_resumedHook(VmPtr<VsVmHookTable>* slot);
// The flag: 1 once a resume has come in this run.
int32_t vsTimer_resumeRequested();
