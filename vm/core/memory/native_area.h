// Byte arrays in the native area: the blocks that the memory service hands
// to natives.
//
//   block:  | near {byte[] class, class info, hash} | pin count | header | n | bytes |
//           ^ 16-byte block header                              ^ the array
//
// The array's header points at the block's own near record, so the array is
// an ordinary byte[] to the rest of the VM; the pin count in front keeps a
// pinned block in place. Blocks are carved from the native top downward,
// else taken best-fit from the free list of gaps {size, next} that a full
// collection leaves.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// A block of n bytes without any collection: 0 (nothing pending) when n is
// negative or too large, or when neither the top nor the free list has room.
// Stores the array in *out too.
VmRef vsJavaHeap_newOldByteArray(int32_t n, VmRef* out);
// A block of n bytes, collecting when the area is full, with a non-zero
// 30-bit identity hash; n < 0 raises NegativeArraySizeException, n too large
// OutOfMemoryError.
VmRef vsJavaHeap_newNativeByteArray(int32_t n);

// The pin count of a native block's array, raised or lowered (not below 0);
// returns the new count. Anything that is not a byte array of the native
// area with its block header in front gives 0 and nothing is written.
uint32_t vsObject_incrementPinCount(VmRef array);
uint32_t vsObject_decrementPinCount(VmRef array);
// The pin count unchanged; 0 likewise for anything else.
uint32_t vsObject_getPinCount(VmRef array);

// The sweep of a collection that moves nothing: with the mark bits of the
// live arrays set, rebuilds the free list from every gap of at least 28
// bytes between marked blocks (from the top of the area downward, the free
// total and largest block counted) and raises the native top to the lowest
// marked block.
void vsGC_sweepNativeAreaInPlace();

// The compaction of a full collection, with the mark bits of the live
// arrays set. Planning gives every marked block its place, from the top of
// the area downward: a pinned block (positive pin count) stays, the others
// slide up against the block above them; each array's header holds its
// array's new address until the sweep. The sweep then moves the blocks,
// puts their headers back, rebuilds the free list from every gap of at
// least 28 bytes (from the top down) and sets the native top to the lowest
// block.
void vsGC_planNativeCompaction();
void vsGC_sweepNativeArea();

// Adds the gap [entry, entry + size) to the end of the free list (sizes of
// at least 28 bytes), keeping the free total and the largest block.
void vsJavaHeap_addNativeFreeEntry(VmWord entry, uint32_t size);
