// Graphics allocator (see jk_gfx_memory.h).
#include "port/kjava_gfx/jk_gfx_memory.h"

#include <cstdint>
#include <cstdlib>

#include "ce/substrate/low_memory.h"

namespace {

// Drawing runs on one thread at a time, so plain counters suffice.
uint32_t gFailCountdown = 0;
uint32_t gLiveBlocks = 0;

}  // namespace

void* jkGfx_alloc(uint64_t bytes) {
  if (gFailCountdown != 0 && --gFailCountdown == 0)
    return nullptr;
  if (bytes == 0 || bytes > 0xFFFFFFFFu)
    return nullptr;
  void* block = vsLow_alloc(static_cast<size_t>(bytes));
  if (block != nullptr)
    ++gLiveBlocks;
  return block;
}

void jkGfx_free(void* block) {
  if (block == nullptr)
    return;
  vsLow_free(block);
  --gLiveBlocks;
}

void jkGfx_failAllocation(uint32_t k) { gFailCountdown = k; }

uint32_t jkGfx_liveBlocks() { return gLiveBlocks; }

void* jkGfx_heapAlloc(uint64_t bytes) {
  if (gFailCountdown != 0 && --gFailCountdown == 0)
    return nullptr;
  if (bytes == 0 || bytes > SIZE_MAX)
    return nullptr;
  void* block = std::calloc(1, static_cast<size_t>(bytes));
  if (block != nullptr)
    ++gLiveBlocks;
  return block;
}

void jkGfx_heapFree(void* block) {
  if (block == nullptr)
    return;
  std::free(block);
  --gLiveBlocks;
}
