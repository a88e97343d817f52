// Exit jump and hooks (see system_glue.h).
#include "vm/services/lifecycle/system_glue.h"

#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/vm_control.h"

void vsSys_exit(int32_t code) {
  vsVmState().exitCode = code;
  vsExitPoint_jump();
}

void vsSys_printMessage(const char*) {}

void vsSys_defineProperty(const char*, const char*) {}

const char* vsSys_getEnv(const char*) { return nullptr; }

void vsSys_reportUncaughtException(const uint16_t*, int32_t) {}

void vsSys_reportUncaughtValue(uint32_t) {}
