// Rectangle outlines (solid and dotted) and filled rectangles.
//
// The outline covers columns x..x + w and rows y..y + h; an edge whose side
// lies outside the clip is left out whole and the others are cut to the clip.
// The dotted outline runs one dot phase clockwise from the top-left corner:
// top edge rightwards, right edge downwards, bottom edge leftwards, left edge
// upwards. The filled rectangle covers x..x + w - 1 by y..y + h - 1 and is
// written row by row from the colour row. All sums are 64-bit, so any 32-bit
// arguments are safe.
#include <algorithm>
#include <cstdint>

#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/kjava_gfx_span.h"
#include "port/kjava_gfx/kjava_gfx_target.h"

namespace {

// The visible part of an outline: the cut ranges and which sides show.
struct Outline {
  int64_t xs, xe, ys, ye;
  bool leftShown, rightShown, topShown, bottomShown;
};

// False when nothing of the outline x..x + w, y..y + h is visible.
bool lCutOutline(const GfxTarget& t, int64_t x, int64_t y, int64_t w, int64_t h, Outline* o) {
  if (w < 0 || h < 0 || t.misses(x, y, x + w, y + h))
    return false;
  o->xs = std::max<int64_t>(x, t.left);
  o->xe = std::min<int64_t>(x + w, int64_t{t.right} - 1);
  o->ys = std::max<int64_t>(y, t.top);
  o->ye = std::min<int64_t>(y + h, int64_t{t.bottom} - 1);
  o->leftShown = x >= t.left;
  o->rightShown = x + w < t.right;
  o->topShown = y >= t.top;
  o->bottomShown = y + h < t.bottom;
  return true;
}

int32_t lDrawOutline(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int32_t x,
                     int32_t y, int32_t w, int32_t h, bool dotted) {
  GfxTarget t;
  if (const int32_t opened = gfx_openTarget(surface, clip, &t); opened != kGfxReady)
    return opened;
  Outline o;
  if (!lCutOutline(t, x, y, w, h, &o))
    return 0;
  const int64_t x2 = int64_t{x} + w;
  const int64_t y2 = int64_t{y} + h;
  if (!dotted) {
    for (int64_t r = o.ys; r <= o.ye; ++r) {
      if (o.leftShown)
        t.row(r)[x] = pixel;
      if (o.rightShown)
        t.row(r)[x2] = pixel;
    }
    for (int64_t c = o.xs; c <= o.xe; ++c) {
      if (o.topShown)
        t.row(y)[c] = pixel;
      if (o.bottomShown)
        t.row(y2)[c] = pixel;
    }
    return 0;
  }
  bool on = true;
  // Walks `length` pixels from (cx, cy) by (stepX, stepY), writing every other
  // one; the phase carries from edge to edge.
  auto edge = [&](int64_t cx, int64_t cy, int64_t stepX, int64_t stepY, int64_t length) {
    for (int64_t i = 0; i < length; ++i, cx += stepX, cy += stepY) {
      if (on)
        t.row(cy)[cx] = pixel;
      on = !on;
    }
  };
  const int64_t across = o.xe - o.xs + 1;
  const int64_t down = o.ye - o.ys + 1;
  if (o.topShown)
    edge(o.xs, y, 1, 0, across - (o.leftShown ? 1 : 0));
  if (o.rightShown)
    edge(x2, o.ys, 0, 1, down - (o.topShown ? 1 : 0));
  if (o.bottomShown)
    edge(o.xe, y2, -1, 0, across - (o.rightShown ? 1 : 0));
  if (o.leftShown)
    edge(x, o.ye, 0, -1, down - (o.bottomShown ? 1 : 0));
  return 0;
}

}  // namespace

int32_t kjava_gfx_drawRect(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int32_t x,
                           int32_t y, int32_t w, int32_t h) {
  return lDrawOutline(surface, clip, pixel, x, y, w, h, false);
}

int32_t kjava_gfx_drawRectDotted(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                                 int32_t x, int32_t y, int32_t w, int32_t h) {
  return lDrawOutline(surface, clip, pixel, x, y, w, h, true);
}

int32_t kjava_gfx_fillRect(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int32_t x,
                           int32_t y, int32_t w, int32_t h) {
  GfxTarget t;
  if (const int32_t opened = gfx_openTarget(surface, clip, &t); opened != kGfxReady)
    return opened;
  const int64_t xLast = int64_t{x} + w - 1;
  const int64_t yLast = int64_t{y} + h - 1;
  if (w <= 0 || h <= 0 || t.misses(x, y, xLast, yLast))
    return 0;
  const int64_t xs = std::max<int64_t>(x, t.left);
  const int64_t xe = std::min<int64_t>(xLast, int64_t{t.right} - 1);
  const int64_t ys = std::max<int64_t>(y, t.top);
  const int64_t ye = std::min<int64_t>(yLast, int64_t{t.bottom} - 1);
  gfx_prepareColourRow(pixel, xe - xs + 1);
  for (int64_t r = ys; r <= ye; ++r)
    gfx_fillSpan(t.row(r), xs, xe);
  return 0;
}
