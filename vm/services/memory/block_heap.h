// The block heap: variable-sized blocks inside one contiguous area that the
// caller owns (each chunk of the memory service, the descriptor service's
// work area). It allocates nothing itself.
//
//   area  header (VsHeap, 40 bytes)  first block                      end
//   |pad| self size s.next s.prev .. | next|prev | data ...  | next|prev|...|
//         ^ area rounded up to 4       ^ header + 40
//
// Every block is 4-aligned and starts with {next, prev}: the neighbours in
// address order, or the sentinel (the header's words 3 and 4). Bit 0 of a
// block's next word is set while the block is in use; the sentinel's next
// word always has it set, so the header never counts as a free neighbour.
// A free block also holds its free-list links {next, prev}, which point at
// the links of the neighbouring free blocks (block = link - 8), and its size.
// An allocated block's size is the distance to the next block, or for the
// last one to the end of the area. The smallest block is 20 bytes; the
// user's data begins 8 bytes in.
//
// Invariants: the blocks tile [header + 40, end) in address order; no two
// free blocks are neighbours; the free list is a circle sorted by size with
// the smallest at its head, and the count is its length. Every address kept
// here lies below 4 GiB.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

inline constexpr uint32_t kVsHeap_magic = 0x12132623;
inline constexpr uint32_t kVsHeap_headerBytes = 40;
inline constexpr uint32_t kVsHeap_smallestBlock = 20;
inline constexpr uint32_t kVsHeap_blockHeaderBytes = 8;
inline constexpr uint32_t kVsHeap_inUse = 1;

struct VsHeap {
  VmWord self;           // the header's own address
  uint32_t size;         // bytes from the header to the end of the area
  VmWord sentinelNext;   // first block | kVsHeap_inUse
  VmWord sentinelPrev;   // last block
  uint32_t reserved[3];  // 0
  VmWord freeHead;       // the smallest free block, or 0
  int32_t freeCount;
  uint32_t magic;
};

struct VsHeapBlock {
  VmWord next;  // next block or the sentinel, | kVsHeap_inUse while in use
  VmWord prev;  // previous block or the sentinel
  // Free blocks only:
  VmWord linkNext;  // links (block + 8) of the next larger free block
  VmWord linkPrev;
  uint32_t size;
};

static_assert(sizeof(VsHeap) == kVsHeap_headerBytes);
static_assert(offsetof(VsHeap, size) == 4 && offsetof(VsHeap, sentinelNext) == 8);
static_assert(offsetof(VsHeap, sentinelPrev) == 12 && offsetof(VsHeap, freeHead) == 28);
static_assert(offsetof(VsHeap, freeCount) == 32 && offsetof(VsHeap, magic) == 36);
static_assert(sizeof(VsHeapBlock) == kVsHeap_smallestBlock);
static_assert(offsetof(VsHeapBlock, prev) == 4 && offsetof(VsHeapBlock, linkNext) == kVsHeap_blockHeaderBytes);
static_assert(offsetof(VsHeapBlock, linkPrev) == 12 && offsetof(VsHeapBlock, size) == 16);

// Lays a heap over [area, area + size): the header at the area rounded up
// to 4, one free block from header + 40 to the end. Returns the header, or
// null with "[vsHeap_initialize] cannot init heap (%08x,%d)" when the area
// is under 40 bytes or leaves that block under 20 bytes.
VsHeap* vsHeap_initialize(void* area, uint32_t size);

// The data of a block of at least n bytes (best fit), or null: n < 1 or a
// null heap log "[vsHeap_alloc] cannot allocate (%08x,%d)"; no fitting block
// (n larger than the area included) gives null quietly.
void* vsHeap_alloc(VsHeap* heap, int32_t n);

// Frees the block of `data`, merging it with free neighbours. Null data
// does nothing (0). A null or broken heap, or data that is no block in use
// of this heap, logs "[vsHeap_free] cannot free (%08x,%08x)", changes
// nothing and gives -1.
int32_t vsHeap_free(VsHeap* heap, void* data);

// Total free bytes; *largest receives the biggest free block (0 if none).
uint32_t vsHeap_getFreeStatistics(const VsHeap* heap, uint32_t* largest);

// The free block chosen for `size` bytes (the smallest that fits, found by
// bisecting the sorted circle), the largest when none fits, or null when
// nothing is free.
VsHeapBlock* vsHeap_findFit(const VsHeap* heap, uint32_t size);
