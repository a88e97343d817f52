// The byte buffer (see bytebuf.h).
#include "storage/bytebuf.h"

#include <cstdlib>
#include <cstring>

namespace {

ByteBufRealloc gRealloc = nullptr;

}  // namespace

void cByteBuf_setRealloc(ByteBufRealloc function) { gRealloc = function; }

cByteBuf::~cByteBuf() { Free(); }

uint8_t* cByteBuf::Assign(uint32_t n, const void* src) {
  if (n == 0) {
    Free();
    return nullptr;
  }
  void* block = gRealloc != nullptr ? gRealloc(data, n) : std::realloc(data, n);
  if (block == nullptr) {
    Free();
    return nullptr;
  }
  data = static_cast<uint8_t*>(block);
  size = n;
  if (src != nullptr)
    std::memmove(data, src, n);
  return data;
}

void cByteBuf::Free() {
  if (data != nullptr)
    std::free(data);
  data = nullptr;
  size = 0;
}
