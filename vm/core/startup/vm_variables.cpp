// Re-initialisation of the VM variables (see vm_variables.h).
#include "vm/core/startup/vm_variables.h"

#include "vm/core/startup/section_reset.h"
#include "vm/services/memory/trace_log.h"

int32_t vsVm_initializeVariables() {
  vsTraceLog_trace("VM variable initialization.\n");
  return vsSectionReset_run(1);
}
