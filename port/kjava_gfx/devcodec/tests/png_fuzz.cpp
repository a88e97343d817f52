// Fuzz target over JkImageCreate: any input gives error 0 with a handle whose
// pixels read back, or -1 or -2 with handle -1, and no graphics block stays
// allocated once the image is destroyed. Headers of more than 2^20 pixels are
// skipped: the conformance corpus covers the paths of large sizes, and
// converting such images would only slow the fuzzer down.
#include <cstdint>
#include <vector>

#include "port/kjava_gfx/devcodec/png_decoder.h"
#include "port/kjava_gfx/jk_gfx_image.h"
#include "port/kjava_gfx/jk_gfx_memory.h"
#include "port/kjava_gfx/jk_surface.h"
#include "tests/support/fuzz_main.h"

namespace {

constexpr uint64_t kMostPixels = uint64_t{1} << 20;

void check(bool ok) {
  if (!ok)
    __builtin_trap();
}

void body(const uint8_t* data, size_t size) {
  if (size > UINT32_MAX)
    return;
  const auto n = static_cast<uint32_t>(size);
  uint32_t width = 0, height = 0;
  if (png_probe(data, n, &width, &height) && uint64_t{width} * height > kMostPixels)
    return;
  int32_t error = 1;
  const int32_t handle = JkImageCreate(data, n, &error);
  check(error == 0 || error == -1 || error == -2);
  check((error == 0) == (handle != kJkInvalidHandle));
  if (handle != kJkInvalidHandle) {
    const int32_t w = JkImageGetWidth(handle), h = JkImageGetHeight(handle);
    check(static_cast<uint32_t>(w) == width && static_cast<uint32_t>(h) == height);
    std::vector<uint32_t> words(static_cast<size_t>(w) * h);
    const int32_t rect[4] = {0, 0, w, h};
    JkImageGetARGB(handle, words.data(), w * h, w, rect);
    for (uint32_t word : words)
      check((word & 0xF7070707u) == 0);  // only channel bits and the opaque bit
    JkImageDestroy(handle);
  }
  check(jkGfx_liveBlocks() == 0);
}

}  // namespace

VS_FUZZ_TARGET(body)
