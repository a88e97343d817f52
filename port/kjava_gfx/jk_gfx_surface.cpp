// Image and off-screen surfaces (see jk_gfx_surface.h).
#include "port/kjava_gfx/jk_gfx_surface.h"

#include <algorithm>
#include <cstdint>

#include "port/kjava_gfx/jk_gfx_memory.h"
#include "port/kjava_gfx/kjava_gfx.h"

namespace {

constexpr uint32_t kFullAlpha = 0xFF000000u;

}  // namespace

SurfaceStatus jkGfxSurface_create(int32_t width, int32_t height, JkSurface** surface) {
  auto* record = static_cast<JkSurface*>(jkGfx_alloc(sizeof(JkSurface)));
  if (record == nullptr)
    return SurfaceStatus::NoRecord;
  // At most 2^63 bytes: the product cannot overflow 64 bits, and jkGfx_alloc
  // refuses anything above 32 bits.
  const uint64_t bytes = uint64_t(uint32_t(width)) * uint64_t(uint32_t(height)) * 2;
  auto* pixels = static_cast<uint16_t*>(jkGfx_alloc(bytes));
  if (pixels == nullptr) {
    jkGfx_free(record);
    return SurfaceStatus::NoPixels;
  }
  record->pixels = pixels;
  record->width = width;
  record->height = height;
  record->transparent = 0;
  record->writable = 1;
  *surface = record;
  return SurfaceStatus::Done;
}

void jkGfxSurface_destroy(JkSurface* surface) {
  if (surface == nullptr)
    return;
  jkGfx_free(surface->pixels.get());
  jkGfx_free(surface);
}

int32_t jkGfxSurface_width(int32_t handle) {
  const JkSurface* surface = jkSurface_fromHandle(handle);
  return surface != nullptr ? surface->width : 0;
}

int32_t jkGfxSurface_height(int32_t handle) {
  const JkSurface* surface = jkSurface_fromHandle(handle);
  return surface != nullptr ? surface->height : 0;
}

SurfaceStatus jkGfxSurface_readARGB(const JkSurface* surface, uint32_t* out, int32_t count,
                                    int32_t scan, const int32_t rect[4], bool forceAlpha) {
  const int32_t x = rect[0];
  const int32_t y = rect[1];
  const int32_t w = rect[2];
  const int32_t h = rect[3];
  const int64_t pitch = scan < 0 ? -int64_t{scan} : int64_t{scan};
  if (surface == nullptr || w <= 0 || h <= 0 || pitch < w || count < (h - 1) * pitch + w)
    return SurfaceStatus::Done;

  if (scan >= 0) {
    kjava_gfx_readARGB(out, scan, surface, x, y, w, h);
    if (forceAlpha) {
      // The words the reader wrote: the rectangle's pixels inside the surface.
      const int64_t xs = std::max<int64_t>(x, 0);
      const int64_t xe = std::min<int64_t>(int64_t{x} + w, surface->width);
      const int64_t ys = std::max<int64_t>(y, 0);
      const int64_t ye = std::min<int64_t>(int64_t{y} + h, surface->height);
      for (int64_t sy = ys; sy < ye; ++sy)
        for (int64_t sx = xs; sx < xe; ++sx)
          out[(sy - y) * scan + (sx - x)] |= kFullAlpha;
    }
    return SurfaceStatus::Done;
  }

  // Rows bottom-up: read top-down into a buffer, then store row r |scan|
  // words below row r - 1.
  auto* buffer = static_cast<uint32_t*>(jkGfx_alloc(uint64_t(uint32_t(count)) * 4));
  if (buffer == nullptr)
    return SurfaceStatus::NoBuffer;
  kjava_gfx_readARGB(buffer, static_cast<int32_t>(pitch), surface, x, y, w, h);
  for (int64_t r = 0; r < h; ++r) {
    const uint32_t* from = buffer + r * pitch;
    uint32_t* to = out - r * pitch;
    for (int64_t i = 0; i < w; ++i)
      to[i] = forceAlpha ? from[i] | kFullAlpha : from[i];
  }
  jkGfx_free(buffer);
  return SurfaceStatus::Done;
}
