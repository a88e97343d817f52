// Rounded rectangles: outline (solid and dotted) and filled.
//
// The four corners are the four quadrants of the ellipse walker with radii
// taken from the arc width and height; the quadrant centres sit at the ends of
// the straight edges. Outline: box x..x + w, y..y + h, radii arcWidth / 2 and
// arcHeight / 2. Filled: box x..x + w - 1, y..y + h - 1, radii
// (arcWidth - 1) / 2 and (arcHeight - 1) / 2; the corner rows are filled as
// whole pie rows and the rows between the two centre rows across the box.
// Arcs too small to round anything fall back to the plain rectangle entries;
// arcs larger than the rectangle are refused (-1). Sums are 64-bit.
#include <algorithm>
#include <cstdint>

#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/kjava_gfx_ellipse.h"
#include "port/kjava_gfx/kjava_gfx_span.h"
#include "port/kjava_gfx/kjava_gfx_target.h"

namespace {

int32_t lDrawRoundRect(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int64_t x,
                       int64_t y, int64_t w, int64_t h, int64_t arcWidth, int64_t arcHeight,
                       bool dotted) {
  GfxTarget t;
  if (const int32_t opened = gfx_openTarget(surface, clip, &t); opened != kGfxReady)
    return opened;
  if (w < 0 || h < 0 || t.misses(x, y, x + w, y + h))
    return 0;
  if (arcWidth > w || arcHeight > h)
    return -1;
  const int64_t a = arcWidth / 2;
  const int64_t b = arcHeight / 2;
  if (a > kGfxMaxRadius || b > kGfxMaxRadius)
    return 0;
  const EllipseBox box = gfx_ellipseBox(a, b, x, x + w, y, y + h);
  const uint32_t visible = gfx_visibleQuadrants(t, box);

  bool on = true;
  EllipseWalker walker(a, b, EllipseWalker::Tail::RoundRectCorner);
  for (; walker.more(); walker.step()) {
    if (on || !dotted)
      gfx_plotQuadrants(t, box, visible, walker.px(), walker.py(), pixel);
    on = !on;
  }

  // Straight edges; dotted ones leave out the corners' centre rows and
  // columns and carry the phase on from the corners.
  const int64_t inset = dotted ? 1 : 0;
  const int64_t rowFrom = std::max<int64_t>(y + b + inset, t.top);
  const int64_t rowTo = std::min<int64_t>(y + h - b - inset, int64_t{t.bottom} - 1);
  const int64_t colFrom = std::max<int64_t>(x + a + inset, t.left);
  const int64_t colTo = std::min<int64_t>(x + w - a - inset, int64_t{t.right} - 1);
  auto put = [&](int64_t px, int64_t py) {
    if (on || !dotted)
      t.row(py)[px] = pixel;
    on = !on;
  };
  if (x >= t.left)
    for (int64_t r = rowFrom; r <= rowTo; ++r)
      put(x, r);
  if (x + w < t.right)
    for (int64_t r = rowFrom; r <= rowTo; ++r)
      put(x + w, r);
  if (y >= t.top)
    for (int64_t c = colFrom; c <= colTo; ++c)
      put(c, y);
  if (y + h < t.bottom)
    for (int64_t c = colFrom; c <= colTo; ++c)
      put(c, y + h);
  return 0;
}

}  // namespace

int32_t kjava_gfx_drawRoundRect(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                                int32_t x, int32_t y, int32_t w, int32_t h, int32_t arcWidth,
                                int32_t arcHeight) {
  if (arcWidth < 1 || arcHeight < 1)
    return kjava_gfx_drawRect(surface, clip, pixel, x, y, w, h);
  return lDrawRoundRect(surface, clip, pixel, x, y, w, h, arcWidth, arcHeight, false);
}

int32_t kjava_gfx_drawRoundRectDotted(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                                      int32_t x, int32_t y, int32_t w, int32_t h,
                                      int32_t arcWidth, int32_t arcHeight) {
  if (arcWidth < 1 || arcHeight < 1)
    return kjava_gfx_drawRectDotted(surface, clip, pixel, x, y, w, h);
  return lDrawRoundRect(surface, clip, pixel, x, y, w, h, arcWidth, arcHeight, true);
}

int32_t kjava_gfx_fillRoundRect(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                                int32_t x, int32_t y, int32_t w, int32_t h, int32_t arcWidth,
                                int32_t arcHeight) {
  if (int64_t{arcWidth} - 1 < 1 || int64_t{arcHeight} - 1 < 1)
    return kjava_gfx_fillRect(surface, clip, pixel, x, y, w, h);
  GfxTarget t;
  if (const int32_t opened = gfx_openTarget(surface, clip, &t); opened != kGfxReady)
    return opened;
  const int64_t xLast = int64_t{x} + w - 1;
  const int64_t yLast = int64_t{y} + h - 1;
  if (w < 1 || h < 1 || t.misses(x, y, xLast, yLast))
    return 0;
  if (arcWidth > w || arcHeight > h)
    return -1;
  const int64_t a = (int64_t{arcWidth} - 1) / 2;
  const int64_t b = (int64_t{arcHeight} - 1) / 2;
  if (a > kGfxMaxRadius || b > kGfxMaxRadius)
    return 0;
  const EllipseBox box = gfx_ellipseBox(a, b, x, xLast, y, yLast);
  gfx_prepareColourRow(pixel, std::min<int64_t>(int64_t{t.right} - t.left + 1, w));
  gfx_fillEllipseRows(t, box);
  const int64_t rowFrom = std::max<int64_t>(box.topCentre + 1, t.top);
  const int64_t rowTo = std::min<int64_t>(box.bottomCentre - 1, int64_t{t.bottom} - 1);
  for (int64_t r = rowFrom; r <= rowTo; ++r)
    gfx_fillClippedSpan(t, r, x, xLast);
  return 0;
}
