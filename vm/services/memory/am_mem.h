// The porting layer's memory calls, over the memory service.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"

// A zero-filled block, or null; a size below 1 or above the largest block
// warns "Warning: AmMemAllocPointer(%d) is illegal.".
void* AmMemAllocPointer(int32_t size);
// Null is ignored; a pointer the service cannot free warns
// "Warning: AmMemFreePointer(%08x) is illegal.".
void AmMemFreePointer(void* pointer);
// A handle, or -1 (vsMemory_allocHandleOrError).
VmWord AmMemAllocHandle(int32_t size);
int32_t AmMemFreeHandle(VmWord handle);
void* AmMemLockHandle(VmWord handle);
int32_t AmMemUnlockHandle(VmWord handle);
