// The one allocate/free pair of the graphics code: surface records, pixel
// buffers and temporary buffers all come from the low block allocator, so
// their addresses fit a 32-bit word and, in the sanitizer build, every block
// is followed by a poisoned redzone.
//
// A test hook makes the k-th allocation from now on fail, so that each
// out-of-memory path can be reached in turn; a counter of live blocks shows
// that a failed call left nothing behind.
#pragma once

#include <cstdint>

// Zero-filled block; null when bytes is 0, does not fit 32 bits, the memory
// is exhausted or the failure hook fires.
void* jkGfx_alloc(uint64_t bytes);
// Frees a block of jkGfx_alloc; null is ignored.
void jkGfx_free(void* block);

// Test hook: the k-th allocation from now fails (k >= 1); 0 disarms it.
void jkGfx_failAllocation(uint32_t k);
// Blocks allocated and not yet freed.
uint32_t jkGfx_liveBlocks();

// The heap side of the same pair, for host blocks that never become VM words
// (the image decoders' state and buffers): zero-filled, failed by the same
// hook and counted among the same live blocks.
void* jkGfx_heapAlloc(uint64_t bytes);
void jkGfx_heapFree(void* block);
