// Low memory: page regions and blocks whose addresses fit a VM word.
//
// vsLow_map hands out page-granular regions below 4 GiB (MAP_32BIT on x86-64,
// which places them below 2 GiB; any mmap on 32-bit ARM). LowBlockAllocator
// carves zero-filled, 8-byte-aligned blocks out of such regions, mapping a
// new arena when the free ones cannot serve a request and returning null once
// its limit is reached. It is thread safe.
//
// Its bookkeeping lives on the host heap, never inside the blocks, so in the
// sanitizer build a block is followed by a poisoned redzone and a freed block
// is poisoned whole: an overrun or a use after free is reported by ASan.
//
//   arena:  | block | redzone | free ... | block | redzone | ...
//           ^ 8-aligned        (redzone only in the sanitizer build)
//
// Everything the VM can see (records, the Java heap, strings handed to Java,
// low stacks) comes from here; never from malloc, new or standard containers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

// A region of `bytes` (rounded up to pages) below 4 GiB, or null.
void* vsLow_map(size_t bytes);
void vsLow_unmap(void* region, size_t bytes);

class LowBlockAllocator {
 public:
  // `limit` bounds the bytes mapped in all; arenas are at least `arenaBytes`.
  LowBlockAllocator(size_t limit, size_t arenaBytes);
  ~LowBlockAllocator();
  LowBlockAllocator(const LowBlockAllocator&) = delete;
  LowBlockAllocator& operator=(const LowBlockAllocator&) = delete;

  // Zero-filled and 8-byte aligned; null when `bytes` is 0 or cannot be had.
  void* alloc(size_t bytes);
  // Frees a block of this allocator; null is ignored. Anything else is fatal.
  void free(void* block);
  // Size the block was allocated with; 0 for a pointer that is not a block.
  size_t blockSize(const void* block) const;

 private:
  struct Arena {
    uintptr_t base;
    size_t bytes;
  };
  bool grow(size_t span);
  void insertFree(uintptr_t start, size_t span);

  const size_t limit_;
  const size_t arenaBytes_;
  size_t mapped_ = 0;
  mutable std::mutex lock_;
  std::vector<Arena> arenas_;
  std::map<uintptr_t, size_t> freeByAddress_;
  std::multimap<size_t, uintptr_t> freeBySize_;
  struct Used {
    size_t bytes;  // as requested
    size_t span;   // with alignment and redzone
  };
  std::map<uintptr_t, Used> used_;
};

// The process-wide allocator (limit 1 GiB, 16 MiB arenas).
void* vsLow_alloc(size_t bytes);
void vsLow_free(void* block);
