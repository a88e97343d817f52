// Drives the descriptor decoder for the tests: a byte reader that counts
// what it is asked for and an allocator that counts what is not released.
#include <cstring>

#include "ce/substrate/low_memory.h"
#include "vm/core/loader/jar_inflater.h"
#include "vm/core/loader/tests/inflater_decoders.h"

namespace {

struct Source {
  const std::vector<uint8_t>* stream;
  uint32_t requested;
};

int32_t readByte(void* context, uint32_t* position) {
  auto* s = static_cast<Source*>(context);
  ++s->requested;
  if (*position >= s->stream->size()) return -1;
  return (*s->stream)[(*position)++];
}

void* allocate(uint32_t bytes, void* environment) {
  ++*static_cast<int32_t*>(environment);
  return vsLow_alloc(bytes);
}

void release(void* block, void* environment) {
  --*static_cast<int32_t*>(environment);
  vsLow_free(block);
}

}  // namespace

DecodeResult decodeWithJarInflater(const std::vector<uint8_t>& stream, uint32_t outputLength) {
  DecodeResult r{0, {}, 0, 0};
  // Exactly the output length, so that the sanitizer build sees any overrun.
  auto* out = static_cast<uint8_t*>(outputLength ? vsLow_alloc(outputLength) : nullptr);
  Source source{&stream, 0};
  const VsInflaterAllocator allocator{allocate, release, &r.tablesLeft};
  r.status = vsJarInflater_inflate(&allocator, &source, readByte,
                                   static_cast<uint32_t>(stream.size()), out, outputLength, 0);
  if (out != nullptr) r.out.assign(out, out + outputLength);
  r.bytesRequested = source.requested;
  vsLow_free(out);
  return r;
}
