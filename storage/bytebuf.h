// cByteBuf: the one growable byte array of the system, a heap block and its
// length owned by the object.
//
// Invariants: data is NULL exactly when nothing is held, and size is then 0;
// the block is exactly size bytes (no spare room, no terminator). Blocks come
// from the plain heap functions (malloc, realloc, free) through a seam that
// tests replace. When the allocator fails, Assign frees the old block and
// leaves NULL and 0. Copying is not supported (the owner frees data).
#pragma once

#include <cstddef>
#include <cstdint>

class cByteBuf {
 public:
  cByteBuf() = default;
  virtual ~cByteBuf();
  cByteBuf(const cByteBuf&) = delete;
  cByteBuf& operator=(const cByteBuf&) = delete;

  // Reallocates data to exactly n bytes (keeping the first min(n, size)),
  // sets size to n and copies n bytes from src when it is not NULL. Returns
  // data: NULL for n = 0 or when the allocation fails (size is then 0).
  uint8_t* Assign(uint32_t n, const void* src);
  // Frees data; NULL and 0 afterwards. Harmless on an empty buffer.
  void Free();

  uint8_t* data = nullptr;
  uint32_t size = 0;
};

// The reallocation function of every cByteBuf (realloc by default); null
// restores realloc. A test seam.
using ByteBufRealloc = void* (*)(void* block, size_t bytes);
void cByteBuf_setRealloc(ByteBufRealloc function);
