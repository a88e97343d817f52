// Identity-hash generator (see hash_generator.h). The seed is the variable's
// initial value, so the section reset reseeds it before every run.
#include "vm/core/memory/hash_generator.h"

#include "ce/substrate/vm_sections.h"

namespace {
VS_VMDATA(uint32_t) gHashState = 0x23451921;
}

uint32_t vsMonitor_nextHash() {
  gHashState = 11u - 554899859u * gHashState;
  return gHashState;
}
