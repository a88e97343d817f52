// Re-initialisation of the VM variables (see vm_variables.h).
#include "vm/core/startup/vm_variables.h"

#include "vm/core/startup/section_reset.h"
#include "vm/core/startup/service_hooks.h"
#include "vm/core/threads/reentry.h"
#include "vm/services/memory/trace_log.h"

int32_t vsVm_initializeVariables() {
  vsTraceLog_trace("VM variable initialization.\n");
  const int32_t result = vsSectionReset_run(1);
  vsK6Event_resetState();
  vsConnection_resetRegistries();
  vsReentry_clearHandlers();
  return result;
}
