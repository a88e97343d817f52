// The fatal end of the word conversion (see vm_word.h).
#include "ce/substrate/vm_word.h"

#include <cinttypes>

#if VS_WIDE_POINTERS
void vsWord_outOfRange(uintptr_t address, VsCallSite where) {
  vsFatal(where, "address 0x%" PRIxPTR " does not fit a VM word", address);
}
#endif
