// The native stack check of the VM thread.
//
// vsNativeStack_initialize (service_hooks.h), at the start of each run,
// records a limit 8192 bytes below its own stack position; natives that
// recurse call vsNativeStack_check, which stops the VM below the limit.
// The limit is 0 (no check) until the first run records it.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/core/startup/service_hooks.h"

inline constexpr int32_t kNativeStackReserveBytes = 8192;

// The current stack position; below the limit the VM stops with
// "Native Stack Overflow. Stack Size:8192".
VmWord vsNativeStack_check();
