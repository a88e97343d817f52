// The destination of a drawing entry: the surface resolved (null means the
// virtual screen), its drawable flag checked and its effective clip computed,
// the same way for every entry.
//
// Invariant: once gfx_openTarget answers kGfxReady, 0 <= left < right <= width and
// 0 <= top < bottom <= height, and pixels points at width x height pixels, so
// every (x, y) that passes contains() is a pixel of the surface.
#pragma once

#include <cstdint>

#include "port/kjava_gfx/kjava_gfx.h"

struct GfxTarget {
  uint16_t* pixels;
  int32_t width;
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;

  bool contains(int64_t x, int64_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  uint16_t* row(int64_t y) const { return pixels + y * width; }
  // True when the box x0..x1, y0..y1 (inclusive) misses the clip.
  bool misses(int64_t x0, int64_t y0, int64_t x1, int64_t y1) const {
    return x0 >= right || x1 < left || y0 >= bottom || y1 < top;
  }
  // Writes the pixel when (x, y) lies in the clip.
  void plot(int64_t x, int64_t y, uint16_t pixel) const {
    if (contains(x, y))
      row(y)[x] = pixel;
  }
};

// The visible part of a rectangle of W x H pixels placed at (x, y): columns
// xs..xe - 1 and rows ys..ye - 1, whose first pixel is (xs - x, ys - y) inside
// the rectangle.
struct GfxPlacement {
  int64_t xs;
  int64_t xe;
  int64_t ys;
  int64_t ye;
};

// False when nothing of the rectangle is visible (W or H below 1 included).
bool gfx_place(const GfxTarget& target, int64_t x, int64_t y, int64_t w, int64_t h,
               GfxPlacement* placement);

// gfx_openTarget answers -1 (not drawable) or 0 (empty clip), which the entry
// returns as its result, or kGfxReady with the target filled in.
constexpr int32_t kGfxReady = 1;

int32_t gfx_openTarget(JkSurface* surface, const ClipRect* clip, GfxTarget* target);
