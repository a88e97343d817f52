// Image codec front end (see dev_codec.h).
#include "port/kjava_gfx/devcodec/dev_codec.h"

#include <cstring>
#include <new>

#include "port/kjava_gfx/devcodec/png_decoder.h"
#include "port/kjava_gfx/jk_gfx_memory.h"
#include "port/kjava_gfx/kjava_gfx.h"
#include "storage/trace.h"

namespace {

constexpr uint64_t kBufferHeadBytes = 12;

struct DecodeBufferHead {
  uint32_t width;
  uint32_t height;
  uint32_t stride;
};
static_assert(sizeof(DecodeBufferHead) == kBufferHeadBytes);

void* lAllocate(void*, uint64_t bytes) { return jkGfx_heapAlloc(bytes); }
void lRelease(void*, void* block) { jkGfx_heapFree(block); }
constexpr CodecAllocator kHeap = {lAllocate, lRelease, nullptr};

// ((width + 7) / 8) x 8 x height x 4 + 16; false when it does not fit 64 bits
// or the stride (width x 4) does not fit its 32-bit word.
bool lBufferBytes(uint32_t width, uint32_t height, uint64_t* bytes) {
  const uint64_t rounded = (uint64_t{width} + 7) / 8 * 8;
  uint64_t pixels = 0;
  *bytes = 0;
  return uint64_t{width} * 4 <= UINT32_MAX && !__builtin_mul_overflow(rounded, uint64_t{height}, &pixels) &&
         !__builtin_mul_overflow(pixels, uint64_t{4}, &pixels) &&
         !__builtin_add_overflow(pixels, uint64_t{16}, bytes);
}

uint32_t lScale(uint16_t v, uint32_t depth) {
  switch (depth) {
    case 1: return v * 255u;
    case 2: return v * 85u;
    case 4: return v * 17u;
    case 16: return v >> 8;
    default: return v;
  }
}

bool lPixel(void* context, uint32_t depth, bool colour, bool alpha, uint32_t x, uint32_t y,
            const uint16_t samples[4]) {
  auto* buffer = static_cast<uint8_t*>(context);
  DecodeBufferHead head;
  std::memcpy(&head, buffer, sizeof head);
  if (x >= head.width || y >= head.height)
    return false;
  if (!colour && (samples[0] != samples[1] || samples[1] != samples[2]))
    return false;
  const uint32_t a = alpha ? lScale(samples[3], depth) : 255;
  const uint32_t word = a << 24 | lScale(samples[0], depth) << 16 | lScale(samples[1], depth) << 8 |
                        lScale(samples[2], depth);
  std::memcpy(buffer + kBufferHeadBytes + uint64_t{y} * head.stride + uint64_t{x} * 4, &word, 4);
  return true;
}

// Runs the decoder over the data into the decode buffer.
bool lDecode(const uint8_t* data, uint32_t size, uint8_t* buffer) {
  void* block = kHeap.alloc(sizeof(PngInflater));
  if (block == nullptr)
    return false;
  auto* inflater = new (block) PngInflater(kHeap);
  PngSource source{data, size, 0};
  PngDecoder* decoder = PngDecoder::create(kHeap, &source, inflater, lPixel, buffer);
  bool ok = false;
  if (decoder != nullptr && decoder->readHeader()) {
    const PngHeader& h = decoder->header();
    const DecodeBufferHead head{h.width, h.height, h.width * 4};
    std::memcpy(buffer, &head, sizeof head);
    ok = decoder->decode();
  }
  PngDecoder::destroy(decoder);
  inflater->end();
  inflater->~PngInflater();
  kHeap.free(block);
  return ok;
}

}  // namespace

DevCodecResult devCodec_decodePng(const uint8_t* data, uint32_t size, JkSurface* surface) {
  const auto width = static_cast<uint32_t>(surface->width);
  const auto height = static_cast<uint32_t>(surface->height);
  uint64_t bytes = 0;
  if (width == 0 || height == 0)
    return kDevCodecBadData;
  uint8_t* buffer = nullptr;
  if (lBufferBytes(width, height, &bytes))
    buffer = static_cast<uint8_t*>(jkGfx_heapAlloc(bytes));
  if (buffer == nullptr) {
    TRACE_REPORT(kTraceLevelError, "create decode buffer (OutOfMemory) size %llu",
                 static_cast<unsigned long long>(bytes));
    return kDevCodecNoMemory;
  }
  DevCodecResult result = kDevCodecBadData;
  if (lDecode(data, size, buffer)) {
    DecodeBufferHead head;
    std::memcpy(&head, buffer, sizeof head);
    // The decoder read the same IHDR the surface was sized by.
    if (head.width == width && head.height == height) {
      surface->writable = 1;
      kjava_gfx_writeARGB(surface, nullptr, 0, 0, reinterpret_cast<const uint32_t*>(buffer + kBufferHeadBytes),
                          surface->width, surface->height, 1);
      result = kDevCodecOk;
    }
  }
  surface->writable = 0;
  jkGfx_heapFree(buffer);
  return result;
}
