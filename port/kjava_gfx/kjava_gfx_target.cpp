// Destination surfaces, the virtual screen record and the pixel reader (see
// kjava_gfx_target.h).
#include "port/kjava_gfx/kjava_gfx_target.h"

#include <algorithm>

namespace {

// Filled in by the display back end; until then width, height and the
// writable flag are 0, so drawing into it is refused.
JkSurface gVirtualScreen;

}  // namespace

JkSurface* kjava_gfx_getVirtualScreenSurface() { return &gVirtualScreen; }

uint16_t kjava_gfx_getPixel(const JkSurface* surface, int32_t x, int32_t y) {
  if (surface == nullptr)
    surface = &gVirtualScreen;
  if (surface->pixels.raw == 0 || x < 0 || y < 0 || x >= surface->width || y >= surface->height)
    return 0;
  return surface->pixels.get()[int64_t{y} * surface->width + x];
}

int32_t gfx_openTarget(JkSurface* surface, const ClipRect* clip, GfxTarget* target) {
  if (surface == nullptr)
    surface = &gVirtualScreen;
  if (surface->writable == 0 || surface->pixels.raw == 0)
    return -1;
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = surface->width;
  int64_t bottom = surface->height;
  if (clip != nullptr) {
    left = std::max<int64_t>(clip->x, 0);
    top = std::max<int64_t>(clip->y, 0);
    right = std::min<int64_t>(int64_t{clip->x} + clip->width, surface->width);
    bottom = std::min<int64_t>(int64_t{clip->y} + clip->height, surface->height);
  }
  if (left >= right || top >= bottom)
    return 0;
  *target = GfxTarget{surface->pixels.get(),     surface->width,
                      static_cast<int32_t>(left),  static_cast<int32_t>(top),
                      static_cast<int32_t>(right), static_cast<int32_t>(bottom)};
  return kGfxReady;
}

bool gfx_place(const GfxTarget& t, int64_t x, int64_t y, int64_t w, int64_t h, GfxPlacement* p) {
  if (w < 1 || h < 1 || x >= t.right || y >= t.bottom || t.left >= x + w || t.top >= y + h)
    return false;
  *p = GfxPlacement{std::max<int64_t>(x, t.left), std::min<int64_t>(x + w, t.right),
                    std::max<int64_t>(y, t.top), std::min<int64_t>(y + h, t.bottom)};
  return true;
}
