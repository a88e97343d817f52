// Bounds of the VM-variable sections (see vm_sections.h).
//
// The pointers pass through an empty asm statement: without it GCC knows that
// they are the addresses of the start symbols, assumes a memcpy onto them
// cannot touch any named variable, and keeps stale values in registers.
#include "ce/substrate/vm_sections.h"

extern "C" {
extern uint8_t __vs_vmdata_start[];
extern uint8_t __vs_vmdata_end[];
extern uint8_t __vs_vmbss_start[];
extern uint8_t __vs_vmbss_end[];
}

namespace {
uint8_t* opaque(uint8_t* p) {
  asm volatile("" : "+r"(p));
  return p;
}
}  // namespace

VmSectionBounds vsSections_bounds() {
  return {opaque(__vs_vmdata_start), opaque(__vs_vmdata_end), opaque(__vs_vmbss_start),
          opaque(__vs_vmbss_end)};
}
