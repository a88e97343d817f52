// A fixture the section check must accept: state only in the VM sections.
#include <cstdint>

#include "ce/substrate/vm_sections.h"

static VS_VMDATA(int32_t) gVmCounter = 5;
static VS_VMBSS(uint32_t[4]) gVmTable;
static const uint32_t kTable[4] = {1, 2, 3, 4};

uint32_t bumpVmCounter(int i) { return gVmTable[i & 3] += kTable[i & 3] + static_cast<uint32_t>(++gVmCounter); }
