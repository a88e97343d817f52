// Instruction-cache support for a run (see icache_start.h).
#include "vm/services/lifecycle/icache_start.h"

#include "port/device.h"

void vsOs_initializeICache() { JkDeviceInitInstructionCache(); }

void vsOs_finalizeICache() {}
