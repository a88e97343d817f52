// Porting adapters of fixed names that have no other home: the format
// strings of 64-bit integers in the platform's printf, and the VM's
// reserved-block allocator (vm/core/startup/memory_split.h) under its
// porting names.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"

// "%I64d" and "%I64u": the platform's printf writes int64_t / uint64_t with
// them (not the VM's own printf engine, which takes 32-bit words only).
const char* vsOs_int64Format();
const char* vsOs_uint64Format();

// A 4-aligned block of at least size bytes carved from the front of the
// VM's memory area, 0 when the area is exhausted.
VmWord vsOs_allocReserved(uint32_t size);
// Reserved blocks live for the whole run: the free keeps the block.
void vsOs_freeReserved(VmWord block);
