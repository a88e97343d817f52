// The fatal end of the word conversion (see vm_word.h).
#include "ce/substrate/vm_word.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#if VS_WIDE_POINTERS
void vsWord_outOfRange(uintptr_t address, VsCallSite where) {
  std::fprintf(stderr, "Fatal: address 0x%" PRIxPTR " does not fit a VM word (%s:%u)\n", address,
               where.file, where.line);
  std::fflush(stderr);
  std::abort();
}
#endif
