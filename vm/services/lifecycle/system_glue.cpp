// Exit jump and hooks (see system_glue.h).
#include "vm/services/lifecycle/system_glue.h"

#include "ce/substrate/vm_sections.h"
#include "vm/core/natives/properties.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/vm_control.h"

namespace {

VS_VMBSS(uint8_t) gPrioritySchedule = 0;

}  // namespace

void vsSys_exit(int32_t code) {
  vsVmState().exitCode = code;
  vsExitPoint_jump();
}

void vsSys_abort(int32_t status) { vsVm_exit(status); }

int32_t vsSys_allowRuntimeExit() { return 0; }

const char* vsSys_getProperty(const char* key) { return vsProperty_getUtf8(key); }

void vsSys_freeProperty(const char*) {}

void vsSys_printMessage(const char*) {}

void vsSys_beforeShutdown() {}

void vsOs_nativeCallBegin() {}

void vsOs_nativeCallEnd() {}

void vsSys_defineProperty(const char*, const char*) {}

const char* vsSys_getEnv(const char*) { return nullptr; }

void vsSys_reportUncaughtException(const uint16_t*, int32_t) {}

void vsSys_reportUncaughtValue(uint32_t) {}

int32_t vsSys_isPrioritySchedule() { return gPrioritySchedule; }

void vsSys_setPrioritySchedule(int32_t on) { gPrioritySchedule = on != 0 ? 1 : 0; }
