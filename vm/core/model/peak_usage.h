// The deferred-collection request of the native-method interface: the
// largest allocation the memory service could not serve while a native ran.
// The call stub clears it before each native and, when it is set after the
// native returned, runs a collection of that size.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"

extern VmVariable<uint32_t> vsNativeMethod_deferredCollectionBytes;

// Raises the request to `bytes` when that is larger.
void vsMemory_updatePeakUsage(uint32_t bytes);
