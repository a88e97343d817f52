// Inflate stream adapter (see inflate_stream.h).
#include "port/kjava_gfx/inflate_stream.h"

#include <cstring>

namespace {

InflateStream gSlots[kInflateStreamSlots];

void lCopyIn(InflateStream* s) {
  s->zlib.next_in = const_cast<Bytef*>(s->nextIn);
  s->zlib.avail_in = s->availIn;
  s->zlib.total_in = s->totalIn;
  s->zlib.next_out = s->nextOut;
  s->zlib.avail_out = s->availOut;
  s->zlib.total_out = s->totalOut;
  s->zlib.opaque = s->opaque;
}

void lCopyOut(InflateStream* s) {
  s->nextIn = s->zlib.next_in;
  s->availIn = s->zlib.avail_in;
  s->totalIn = s->zlib.total_in;
  s->nextOut = s->zlib.next_out;
  s->availOut = s->zlib.avail_out;
  s->totalOut = s->zlib.total_out;
  s->opaque = s->zlib.opaque;
}

}  // namespace

InflateStream* inflateStream_open(alloc_func allocate, free_func release) {
  for (InflateStream& slot : gSlots) {
    if (slot.inUse != 0)
      continue;
    std::memset(&slot, 0, sizeof slot);
    slot.inUse = 1;
    slot.zlib.zalloc = allocate;
    slot.zlib.zfree = release;
    slot.self = &slot;
    return &slot;
  }
  return nullptr;
}

int32_t inflateStream_release(InflateStream* stream) {
  // Only the address is compared: a foreign pointer is never read.
  for (InflateStream& slot : gSlots) {
    if (&slot != stream)
      continue;
    std::memset(&slot, 0, sizeof slot);
    return 0;
  }
  return -1;
}

int inflateStream_init(InflateStream* stream) {
  lCopyIn(stream);
  const int result = inflateInit_(&stream->zlib, ZLIB_VERSION, static_cast<int>(sizeof(z_stream)));
  lCopyOut(stream);
  return result;
}

int inflateStream_inflate(InflateStream* stream, int flush) {
  lCopyIn(stream);
  const int result = inflate(&stream->zlib, flush);
  lCopyOut(stream);
  return result;
}

int inflateStream_end(InflateStream* stream) {
  lCopyIn(stream);
  const int result = inflateEnd(&stream->zlib);
  lCopyOut(stream);
  return result;
}
