// The block heap's invariant check (see block_heap_check.h).
#include "vm/services/memory/tests/block_heap_check.h"

#include <cstdio>
#include <algorithm>
#include <vector>

namespace {

const VsHeapBlock* at(VmWord a) { return vsWord_toPointer<const VsHeapBlock>(a); }

std::string hex(VmWord w) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", w);
  return text;
}

}  // namespace

std::string vsTestBlockHeap_check(const VsHeap* heap) {
  if (heap->magic != kVsHeap_magic || heap->self != vsWord_fromPointer(heap)) return "bad header";
  const VmWord sentinel = heap->self + offsetof(VsHeap, sentinelNext);
  const VmWord end = heap->self + heap->size;
  if ((heap->sentinelNext & kVsHeap_inUse) == 0) return "sentinel not marked in use";

  // Address order.
  std::vector<VmWord> freeBlocks;  // ascending, as the address walk meets them
  uint64_t freeTotal = 0;
  VmWord expected = heap->self + kVsHeap_headerBytes;
  VmWord previous = sentinel;
  bool previousFree = false;
  VmWord b = heap->sentinelNext & ~kVsHeap_inUse;
  for (uint32_t steps = 0; b != sentinel; ++steps) {
    if (steps > heap->size / kVsHeap_smallestBlock) return "address list does not end";
    if (b != expected) return "block " + hex(b) + " where " + hex(expected) + " was expected";
    if (at(b)->prev != previous) return "block " + hex(b) + " has a wrong prev";
    const VmWord next = at(b)->next & ~kVsHeap_inUse;
    const VmWord limit = next == sentinel ? end : next;
    if (limit <= b || limit > end) return "block " + hex(b) + " runs out of the area";
    const uint32_t span = limit - b;
    if (span < kVsHeap_smallestBlock) return "block " + hex(b) + " smaller than 20 bytes";
    const bool free = (at(b)->next & kVsHeap_inUse) == 0;
    if (free) {
      if (previousFree) return "free neighbours at " + hex(b);
      if (at(b)->size != span) return "free block " + hex(b) + " stores a wrong size";
      freeBlocks.push_back(b);
      freeTotal += span;
    }
    previousFree = free;
    previous = b;
    expected = limit;
    b = next;
  }
  if (expected != end) return "blocks end at " + hex(expected) + ", not at the area's end";
  if (heap->sentinelPrev != previous) return "sentinel prev is not the last block";

  // Free list.
  if (heap->freeCount != static_cast<int32_t>(freeBlocks.size()))
    return "free count " + std::to_string(heap->freeCount) + ", recount " + std::to_string(freeBlocks.size());
  if (freeBlocks.empty()) return heap->freeHead == 0 ? "" : "free head without free blocks";
  VmWord f = heap->freeHead;
  uint32_t lastSize = 0;
  for (size_t i = 0; i < freeBlocks.size(); ++i) {
    if (!std::binary_search(freeBlocks.begin(), freeBlocks.end(), f)) return "free list holds " + hex(f) + ", no free block";
    if (at(f)->size < lastSize) return "free list not sorted at " + hex(f);
    lastSize = at(f)->size;
    const VmWord next = at(f)->linkNext - kVsHeap_blockHeaderBytes;
    if (at(next)->linkPrev != f + kVsHeap_blockHeaderBytes) return "free list back link broken at " + hex(next);
    f = next;
  }
  if (f != heap->freeHead) return "free list is no circle of the free count";
  uint32_t largest = 0;
  if (vsHeap_getFreeStatistics(heap, &largest) != freeTotal) return "free total differs from a recount";
  if (largest != lastSize) return "largest free block differs";
  return "";
}
