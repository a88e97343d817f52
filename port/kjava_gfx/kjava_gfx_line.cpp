// Solid and dotted lines.
//
// A vertical or horizontal line is cut to the clip directly. Any other line
// is ordered left to right, cut by outcodes (left, right, then top, bottom;
// intersections are exact integer formulas truncated toward zero, computed in
// 128 bits so that any 32-bit end points work), and walked with Bresenham's
// stepping from the first clipped point to the second.
//
// Invariant: the walk starts only when both clipped end points lie inside the
// clip. Truncation can carry a clipped point across a clip edge; such a line
// (at most one pixel beside a clip corner) draws nothing. The walk stays in
// the box of its two end points, so it never leaves the clip.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/kjava_gfx_target.h"

namespace {

using i128 = __int128;

enum : uint32_t { kOutLeft = 1, kOutRight = 2, kOutTop = 4, kOutBottom = 8 };

struct Pen {
  const GfxTarget& target;
  uint16_t pixel;
  bool dotted;
  bool on = true;

  void put(int64_t x, int64_t y) {
    if (on || !dotted)
      target.row(y)[x] = pixel;
    on = !on;
  }
};

uint32_t lOutcode(const GfxTarget& t, int64_t x, int64_t y) {
  uint32_t code = 0;
  if (x < t.left)
    code |= kOutLeft;
  else if (x >= t.right)
    code |= kOutRight;
  if (y < t.top)
    code |= kOutTop;
  else if (y >= t.bottom)
    code |= kOutBottom;
  return code;
}

// After a point moved to the left or right edge: false when its new row
// leaves the clip on a side it was not outside of before; else its vertical
// bits are brought up to date.
bool lRecheckRows(const GfxTarget& t, int64_t y, uint32_t* code) {
  if ((*code & kOutTop) == 0 && y < t.top)
    return false;
  if ((*code & kOutBottom) == 0 && y >= t.bottom)
    return false;
  if ((*code & kOutTop) != 0 && y >= t.top)
    *code &= ~uint32_t{kOutTop};
  if ((*code & kOutBottom) != 0 && y < t.bottom)
    *code &= ~uint32_t{kOutBottom};
  return true;
}

int32_t lDrawLine(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int64_t x1, int64_t y1,
                  int64_t x2, int64_t y2, bool dotted) {
  GfxTarget t;
  if (const int32_t opened = gfx_openTarget(surface, clip, &t); opened != kGfxReady)
    return opened;
  Pen pen{t, pixel, dotted};

  if (x1 == x2) {
    if (x1 < t.left || x1 >= t.right)
      return 0;
    const int64_t from = std::max<int64_t>(std::min(y1, y2), t.top);
    const int64_t to = std::min<int64_t>(std::max(y1, y2), int64_t{t.bottom} - 1);
    for (int64_t y = from; y <= to; ++y)
      pen.put(x1, y);
    return 0;
  }
  if (y1 == y2) {
    if (y1 < t.top || y1 >= t.bottom)
      return 0;
    const int64_t from = std::max<int64_t>(std::min(x1, x2), t.left);
    const int64_t to = std::min<int64_t>(std::max(x1, x2), int64_t{t.right} - 1);
    for (int64_t x = from; x <= to; ++x)
      pen.put(x, y1);
    return 0;
  }

  if (x1 > x2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  uint32_t code1 = lOutcode(t, x1, y1);
  uint32_t code2 = lOutcode(t, x2, y2);
  if ((code1 & code2) != 0)
    return 0;
  const int64_t dx = x2 - x1;
  const int64_t dy = y2 - y1;
  const i128 cross = i128{y1} * x2 - i128{x1} * y2;

  if ((code1 & kOutLeft) != 0) {
    x1 = t.left;
    y1 = static_cast<int64_t>((cross + i128{dy} * t.left) / dx);
    if (!lRecheckRows(t, y1, &code1))
      return 0;
  }
  if ((code2 & kOutRight) != 0) {
    x2 = int64_t{t.right} - 1;
    y2 = static_cast<int64_t>((cross + i128{dy} * x2) / dx);
    if (!lRecheckRows(t, y2, &code2))
      return 0;
  }
  auto moveToRows = [&](int64_t& x, int64_t& y, uint32_t code) {
    if ((code & kOutTop) != 0) {
      y = t.top;
      x = static_cast<int64_t>((i128{dx} * y - cross) / dy);
    } else if ((code & kOutBottom) != 0) {
      y = int64_t{t.bottom} - 1;
      x = static_cast<int64_t>((i128{dx} * y - cross) / dy);
    }
  };
  moveToRows(x1, y1, code1);
  moveToRows(x2, y2, code2);
  if (!t.contains(x1, y1) || !t.contains(x2, y2))
    return 0;

  const int64_t adx = x2 - x1;
  const int64_t ady = y2 >= y1 ? y2 - y1 : y1 - y2;
  const int64_t yStep = y2 >= y1 ? 1 : -1;
  int64_t x = x1;
  int64_t y = y1;
  if (adx < ady) {
    int64_t error = 2 * adx - ady;
    for (int64_t i = 0; i <= ady; ++i) {
      pen.put(x, y);
      if (error < 0) {
        error += 2 * adx;
      } else {
        error += 2 * (adx - ady);
        ++x;
      }
      y += yStep;
    }
  } else {
    int64_t error = 2 * ady - adx;
    for (int64_t i = 0; i <= adx; ++i) {
      pen.put(x, y);
      if (error < 0) {
        error += 2 * ady;
      } else {
        error += 2 * (ady - adx);
        y += yStep;
      }
      ++x;
    }
  }
  return 0;
}

}  // namespace

int32_t kjava_gfx_drawLine(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int32_t x1,
                           int32_t y1, int32_t x2, int32_t y2) {
  return lDrawLine(surface, clip, pixel, x1, y1, x2, y2, false);
}

int32_t kjava_gfx_drawLineDotted(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                                 int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return lDrawLine(surface, clip, pixel, x1, y1, x2, y2, true);
}
