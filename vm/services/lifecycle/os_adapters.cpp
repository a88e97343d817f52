// Porting adapters (see os_adapters.h).
#include "vm/services/lifecycle/os_adapters.h"

#include "vm/core/startup/memory_split.h"

const char* vsOs_int64Format() { return "%I64d"; }

const char* vsOs_uint64Format() { return "%I64u"; }

VmWord vsOs_allocReserved(uint32_t size) { return vsVm_allocReserved(size); }

void vsOs_freeReserved(VmWord block) { vsVm_freeReserved(block); }
