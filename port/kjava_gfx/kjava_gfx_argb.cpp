// Conversions between 32-bit ARGB words and 16-bit pixels, one at a time and
// in bulk.
//
//   ARGB  aaaa Oaaa rrrr r... gggg g... bbbb b...   (O: alpha bit 3, bit 27)
//   pixel rrrr rggg gg O b bbbb
//
// Each channel keeps its top 5 bits; the opaque bit is ARGB bit 27 in alpha
// mode and always set otherwise, and goes back to bit 27 alone, so opaque
// pixels read back with alpha 0x08 and transparent ones with 0x00. Bulk reads
// are limited to the surface (no clip); bulk writes to the effective clip,
// every visible word converted, transparent ones included.
#include <algorithm>
#include <cstdint>

#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/kjava_gfx_target.h"

uint16_t kjava_gfx_toPixel(uint32_t argb, uint32_t alphaMode) {
  const uint32_t opaque = alphaMode != 0 ? (argb >> 22) & 0x20u : 0x20u;
  return static_cast<uint16_t>(((argb >> 8) & 0xF800u) | ((argb >> 5) & 0x07C0u) |
                               ((argb >> 3) & 0x001Fu) | opaque);
}

uint32_t kjava_gfx_toARGB(uint16_t pixel) {
  const uint32_t p = pixel;
  return ((p & 0xF800u) << 8) | ((p & 0x07C0u) << 5) | ((p & 0x001Fu) << 3) | ((p & 0x20u) << 22);
}

int32_t kjava_gfx_readARGB(uint32_t* dst, int32_t scan, const JkSurface* surface, int32_t x,
                           int32_t y, int32_t w, int32_t h) {
  if (surface == nullptr || w < 0 || h < 0 || scan < w)
    return -1;
  const int64_t xs = std::max<int64_t>(x, 0);
  const int64_t xe = std::min<int64_t>(int64_t{x} + w, surface->width);
  const int64_t ys = std::max<int64_t>(y, 0);
  const int64_t ye = std::min<int64_t>(int64_t{y} + h, surface->height);
  if (ys >= ye || xs >= xe)
    return 0;
  const uint16_t* pixels = surface->pixels.get();
  for (int64_t sy = ys; sy < ye; ++sy) {
    const uint16_t* from = pixels + sy * surface->width + xs;
    uint32_t* to = dst + ((sy - y) * scan + (xs - x));
    for (int64_t i = 0; i < xe - xs; ++i)
      to[i] = kjava_gfx_toARGB(from[i]);
  }
  return 0;
}

int32_t kjava_gfx_writeARGB(JkSurface* surface, const ClipRect* clip, int32_t x, int32_t y,
                            const uint32_t* argb, int32_t w, int32_t h, uint32_t alphaMode) {
  if (argb == nullptr)
    return -1;
  GfxTarget t;
  if (const int32_t opened = gfx_openTarget(surface, clip, &t); opened != kGfxReady)
    return opened;
  GfxPlacement p;
  if (!gfx_place(t, x, y, w, h, &p))
    return 0;
  for (int64_t row = p.ys; row < p.ye; ++row) {
    const uint32_t* from = argb + ((row - y) * w + (p.xs - x));
    uint16_t* to = t.row(row) + p.xs;
    for (int64_t i = 0; i < p.xe - p.xs; ++i)
      to[i] = kjava_gfx_toPixel(from[i], alphaMode);
  }
  return 0;
}
