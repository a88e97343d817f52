// The block heap (see block_heap.h).
#include "vm/services/memory/block_heap.h"

#include "vm/services/memory/trace_log.h"

namespace {

VsHeapBlock* blockAt(VmWord address) { return vsWord_toPointer<VsHeapBlock>(address); }
VmWord wordOf(const void* p) { return vsWord_fromPointer(p); }

VmWord sentinelOf(const VsHeap* heap) { return heap->self + offsetof(VsHeap, sentinelNext); }
VmWord endOf(const VsHeap* heap) { return heap->self + heap->size; }

// Address-list neighbours, the in-use bit stripped.
VmWord nextOf(const VsHeapBlock* b) { return b->next & ~kVsHeap_inUse; }
bool isFree(VmWord block) { return (blockAt(block)->next & kVsHeap_inUse) == 0; }

// Size by position: up to the next block, or to the end for the last one.
uint32_t spanOf(const VsHeap* heap, VmWord block) {
  const VmWord next = nextOf(blockAt(block));
  return (next == sentinelOf(heap) ? endOf(heap) : next) - block;
}

VmWord linkOf(VmWord block) { return block + kVsHeap_blockHeaderBytes; }
VmWord blockOfLink(VmWord link) { return link - kVsHeap_blockHeaderBytes; }
VmWord freeNext(VmWord block) { return blockOfLink(blockAt(block)->linkNext); }
VmWord freePrev(VmWord block) { return blockOfLink(blockAt(block)->linkPrev); }
uint32_t sizeOf(VmWord block) { return blockAt(block)->size; }

// Takes a block out of the free circle; the head moves to its successor,
// or the list empties when it was alone. The count is the caller's.
void unlinkFree(VsHeap* heap, VmWord block) {
  const VmWord next = freeNext(block);
  if (next == block) {
    heap->freeHead = 0;
    return;
  }
  const VmWord prev = freePrev(block);
  blockAt(prev)->linkNext = linkOf(next);
  blockAt(next)->linkPrev = linkOf(prev);
  if (heap->freeHead == block) heap->freeHead = next;
}

// Links `block` into the circle in front of `at`.
void linkBefore(VmWord block, VmWord at) {
  const VmWord prev = freePrev(at);
  blockAt(block)->linkNext = linkOf(at);
  blockAt(block)->linkPrev = linkOf(prev);
  blockAt(prev)->linkNext = linkOf(block);
  blockAt(at)->linkPrev = linkOf(block);
}

void insertFree(VsHeap* heap, VmWord block) {
  const uint32_t size = sizeOf(block);
  const VsHeapBlock* fit = vsHeap_findFit(heap, size);
  if (fit == nullptr) {
    blockAt(block)->linkNext = linkOf(block);
    blockAt(block)->linkPrev = linkOf(block);
    heap->freeHead = block;
  } else {
    const VmWord found = wordOf(fit);
    if (sizeOf(found) >= size) {
      const bool smallest = size < sizeOf(freePrev(found));
      linkBefore(block, found);
      if (found == heap->freeHead && smallest) heap->freeHead = block;
    } else {
      // The largest of all is still smaller: behind it.
      linkBefore(block, freeNext(found));
    }
  }
  ++heap->freeCount;
}

// Removes `block` from the address list (it is absorbed by its predecessor).
void unlinkAddress(VmWord block) {
  VsHeapBlock* b = blockAt(block);
  const VmWord next = nextOf(b);
  VsHeapBlock* prev = blockAt(b->prev);
  prev->next = next | (prev->next & kVsHeap_inUse);
  blockAt(next)->prev = b->prev;
}

// Whether `block` is a block in use of this heap: 4-aligned inside the
// blocks' span, its in-use bit set and both neighbours pointing back at it.
bool isBlockInUse(const VsHeap* heap, VmWord block) {
  const VmWord first = heap->self + kVsHeap_headerBytes;
  if ((block & 3u) != 0 || block < first || block >= endOf(heap)) return false;
  if (endOf(heap) - block < kVsHeap_smallestBlock) return false;
  const VsHeapBlock* b = blockAt(block);
  if ((b->next & kVsHeap_inUse) == 0) return false;
  const VmWord next = nextOf(b);
  const VmWord sentinel = sentinelOf(heap);
  if (next != sentinel && ((next & 3u) != 0 || next <= block || next >= endOf(heap))) return false;
  if (b->prev != sentinel && ((b->prev & 3u) != 0 || b->prev < first || b->prev >= block)) return false;
  return (blockAt(b->prev)->next & ~kVsHeap_inUse) == block && blockAt(next)->prev == block;
}

}  // namespace

VsHeap* vsHeap_initialize(void* area, uint32_t size) {
  const VmWord base = wordOf(area);
  const uint64_t end = uint64_t{base} + size;
  const uint64_t header = (uint64_t{base} + 3) & ~uint64_t{3};
  if (size < kVsHeap_headerBytes || end > 0xFFFFFFFFu ||
      header + kVsHeap_headerBytes + kVsHeap_smallestBlock > end) {
    vsTraceLog_error("[vsHeap_initialize] cannot init heap (%08x,%d)\n", base, static_cast<int32_t>(size));
    return nullptr;
  }
  VsHeap* heap = vsWord_toPointer<VsHeap>(static_cast<VmWord>(header));
  heap->self = static_cast<VmWord>(header);
  heap->size = static_cast<uint32_t>(end - header);
  heap->reserved[0] = heap->reserved[1] = heap->reserved[2] = 0;
  heap->magic = kVsHeap_magic;
  const VmWord first = heap->self + kVsHeap_headerBytes;
  VsHeapBlock* block = blockAt(first);
  block->next = sentinelOf(heap);
  block->prev = sentinelOf(heap);
  block->size = endOf(heap) - first;
  block->linkNext = linkOf(first);
  block->linkPrev = linkOf(first);
  heap->sentinelNext = first | kVsHeap_inUse;
  heap->sentinelPrev = first;
  heap->freeHead = first;
  heap->freeCount = 1;
  return heap;
}

VsHeapBlock* vsHeap_findFit(const VsHeap* heap, uint32_t size) {
  const VmWord head = heap->freeHead;
  if (head == 0) return nullptr;
  if (sizeOf(head) >= size) return blockAt(head);
  const VmWord largest = freePrev(head);
  if (sizeOf(largest) <= size) return blockAt(largest);
  // head < size < largest: bisect [start, start + count) by counting.
  VmWord start = head;
  int32_t count = heap->freeCount;
  while (count >= 2) {
    const int32_t half = (count + 1) / 2;
    VmWord probe = start;
    for (int32_t i = 0; i < half - 1; ++i) probe = freeNext(probe);
    const uint32_t probeSize = sizeOf(probe);
    if (probeSize == size) return blockAt(probe);
    if (probeSize < size) {
      start = freeNext(probe);
    } else if (sizeOf(freePrev(probe)) < size) {
      return blockAt(probe);
    }
    count -= half;
  }
  return blockAt(start);
}

void* vsHeap_alloc(VsHeap* heap, int32_t n) {
  if (heap == nullptr || n < 1) {
    vsTraceLog_error("[vsHeap_alloc] cannot allocate (%08x,%d)\n", heap == nullptr ? 0 : heap->self, n);
    return nullptr;
  }
  if (static_cast<uint32_t>(n) > heap->size) return nullptr;
  uint32_t need = ((static_cast<uint32_t>(n) + 3) & ~3u) + kVsHeap_blockHeaderBytes;
  if (need < kVsHeap_smallestBlock) need = kVsHeap_smallestBlock;
  const VsHeapBlock* fit = vsHeap_findFit(heap, need);
  if (fit == nullptr || fit->size < need) return nullptr;
  const VmWord block = wordOf(fit);
  unlinkFree(heap, block);
  --heap->freeCount;
  VsHeapBlock* b = blockAt(block);
  if (b->size > need + kVsHeap_smallestBlock) {
    const VmWord rest = block + need;
    VsHeapBlock* r = blockAt(rest);
    r->next = b->next;
    r->prev = block;
    r->size = b->size - need;
    blockAt(nextOf(b))->prev = rest;
    b->next = rest;
    insertFree(heap, rest);
  }
  b->next |= kVsHeap_inUse;
  return vsWord_toPointer(block + kVsHeap_blockHeaderBytes);
}

int32_t vsHeap_free(VsHeap* heap, void* data) {
  if (heap != nullptr && data == nullptr) return 0;
  const VmWord address = data == nullptr ? 0 : wordOf(data);
  VmWord block = (address - kVsHeap_blockHeaderBytes) & ~3u;
  if (heap == nullptr || heap->magic != kVsHeap_magic || heap->self != wordOf(heap) ||
      !isBlockInUse(heap, block)) {
    vsTraceLog_error("[vsHeap_free] cannot free (%08x,%08x)\n", heap == nullptr ? 0 : wordOf(heap), address);
    return -1;
  }
  VsHeapBlock* b = blockAt(block);
  b->next &= ~kVsHeap_inUse;
  uint32_t size = spanOf(heap, block);
  const VmWord sentinel = sentinelOf(heap);

  const VmWord next = b->next;
  if (next != sentinel && isFree(next)) {
    size += sizeOf(next);
    const bool alone = freeNext(next) == next;
    unlinkFree(heap, next);
    unlinkAddress(next);
    b->size = size;
    if (alone) {
      b->linkNext = b->linkPrev = linkOf(block);
      heap->freeHead = block;
      return 0;
    }
    --heap->freeCount;
  }
  const VmWord prev = b->prev;
  if (prev != sentinel && isFree(prev)) {
    VsHeapBlock* p = blockAt(prev);
    p->size += size;
    unlinkAddress(block);
    if (freeNext(prev) == prev) return 0;
    unlinkFree(heap, prev);
    --heap->freeCount;
    block = prev;
  } else {
    b->size = size;
  }
  insertFree(heap, block);
  return 0;
}

uint32_t vsHeap_getFreeStatistics(const VsHeap* heap, uint32_t* largest) {
  uint32_t total = 0;
  uint32_t big = 0;
  const VmWord head = heap->freeHead;
  if (head != 0) {
    VmWord b = head;
    do {
      total += sizeOf(b);
      if (sizeOf(b) > big) big = sizeOf(b);
      b = freeNext(b);
    } while (b != head);
  }
  *largest = big;
  return total;
}
