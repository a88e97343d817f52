// Test support of the block heap: the whole-heap invariant check.
#pragma once

#include <string>

#include "vm/services/memory/block_heap.h"

// "" when the heap holds every invariant of block_heap.h, else the first
// broken one: blocks tile [header + 40, end) with consistent back links,
// no two free neighbours, the free list a circle sorted by size from its
// head whose length and total match a recount of the address list.
std::string vsTestBlockHeap_check(const VsHeap* heap);
