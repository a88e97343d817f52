// The allocate and free functions a decoder is handed by its caller, with
// their context. Blocks are zero-filled; allocate answers null when it cannot
// serve the request, and the decoder then fails cleanly.
#pragma once

#include <cstdint>

struct CodecAllocator {
  void* (*allocate)(void* context, uint64_t bytes);
  void (*release)(void* context, void* block);
  void* context;

  void* alloc(uint64_t bytes) const { return allocate(context, bytes); }
  void free(void* block) const { release(context, block); }
};
