// Aligned areas: the two reserved blocks of the Java heap (the heap block
// and its side table), carved from the VM's reserved-block allocator and
// aligned up. Declared here, beside the heap that uses them; the lifecycle
// service that owns the reserved blocks defines them
// (vm/services/lifecycle/aligned_area.cpp).
//
//   raw block  [ slack | aligned address ... used ... capacity ]
//
// Two slots, each {raw block, aligned address, used size, capacity}; a slot
// is free while its aligned address is 0.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"

// An area of `capacity` bytes at a multiple of `alignment` (a power of two)
// in the first free slot, with `used` bytes in use; 0 when no slot is free,
// used exceeds capacity or the reserved allocator is exhausted.
VmWord vsAlignedArea_alloc(uint32_t used, uint32_t capacity, uint32_t alignment);
// Sets the used size of an area; returns the previous one, or 0 (nothing
// changed) when the size exceeds the capacity or the address is no area.
uint32_t vsAlignedArea_resize(VmWord address, uint32_t size);
// Releases the area and frees its slot; other addresses are ignored.
void vsAlignedArea_free(VmWord address);
