// The native stack check (see native_stack.h).
#include "vm/services/lifecycle/native_stack.h"

#include "ce/substrate/vm_sections.h"
#include "vm/core/interp/runtime_entries.h"
#include "vm/core/startup/printf.h"

namespace {

VS_VMBSS(VmWord) gLimit = 0;

constexpr int32_t kMessageBytes = 512;

// The stack position of the caller's frame.
[[gnu::noinline]] VmWord stackPosition() { return vsWord_fromPointer(__builtin_frame_address(0)); }

}  // namespace

void vsNativeStack_initialize() { gLimit = stackPosition() - kNativeStackReserveBytes; }

VmWord vsNativeStack_check() {
  const VmWord at = stackPosition();
  if (at < gLimit) {
    char message[kMessageBytes];
    vsPrintf_snprintf(message, sizeof message, "Native Stack Overflow. Stack Size:%d\n", kNativeStackReserveBytes);
    vsVm_fatal(message);
  }
  return at;
}
