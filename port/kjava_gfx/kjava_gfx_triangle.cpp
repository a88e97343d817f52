// Filled triangles, edges and the top and bottom rows included.
//
// The vertices are sorted by y (ties by x, the smaller first; of two equal
// points the later one in the arrays first) into top T, middle M and bottom
// B. Three edge walkers run with Bresenham's stepping: the long edge T-B, the
// upper edge T-M and the lower edge M-B. An edge that crosses the clip's top
// row starts there, at the exact crossing truncated toward zero.
//
// Each row from max(yT, top) to min(yB, bottom - 1) is filled, within the
// clip, from the leftmost to the rightmost pixel that the present edges put on
// it: the long edge on every row, the upper edge on rows up to yM (unless it
// lies wholly above the clip), the lower edge on rows from yM on. A shallow
// edge's run along a row is found arithmetically, so the work is bounded by
// the visible rows whatever the coordinates.
#include <algorithm>
#include <cstdint>

#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/kjava_gfx_span.h"
#include "port/kjava_gfx/kjava_gfx_target.h"

namespace {

using i128 = __int128;

struct Vertex {
  int64_t x;
  int64_t y;
};

// One edge: reports the pixels it puts on each row, one row after another.
// Shallow edges (dy < |dx|) take the diagonal step when the error is above 0,
// steep ones when it is not negative.
class EdgeWalker {
 public:
  EdgeWalker(int64_t startX, int64_t startY, int64_t endX, int64_t endY)
      : x_(startX), endX_(endX) {
    const int64_t dx = endX - startX;
    const int64_t adx = dx < 0 ? -dx : dx;
    const int64_t dy = endY - startY;
    xStep_ = dx < 0 ? -1 : 1;
    steep_ = !(dy < adx);
    if (steep_) {
      error_ = 2 * adx - dy;
      straight_ = 2 * adx;
      diagonal_ = 2 * adx - 2 * dy;
    } else {
      error_ = 2 * dy - adx;
      straight_ = 2 * dy;
      diagonal_ = 2 * dy - 2 * adx;
    }
  }

  // The columns lo..hi that the edge puts on its current row; then moves to
  // the next row.
  void takeRow(int64_t* lo, int64_t* hi) {
    const int64_t first = x_;
    int64_t last = x_;
    if (steep_) {
      if (error_ < 0) {
        error_ += straight_;
      } else {
        error_ += diagonal_;
        x_ += xStep_;
      }
    } else {
      // Straight steps along the row until the error turns positive, at most
      // to the end column.
      const int64_t remaining = endX_ >= x_ ? endX_ - x_ : x_ - endX_;
      int64_t run = remaining;
      if (straight_ > 0)
        run = std::min(remaining, error_ > 0 ? 0 : -error_ / straight_ + 1);
      last = x_ + run * xStep_;
      error_ += run * straight_ + diagonal_;
      x_ = last + xStep_;
    }
    *lo = std::min(first, last);
    *hi = std::max(first, last);
  }

 private:
  int64_t x_;
  int64_t endX_;
  int64_t xStep_ = 1;
  bool steep_ = true;
  int64_t error_ = 0;
  int64_t straight_ = 0;
  int64_t diagonal_ = 0;
};

// The x where edge a-b crosses row y (ya < y <= yb), truncated toward zero.
int64_t lCrossing(const Vertex& a, const Vertex& b, int64_t y) {
  return static_cast<int64_t>((i128{y - a.y} * b.x - i128{y - b.y} * a.x) / (b.y - a.y));
}

}  // namespace

int32_t kjava_gfx_fillTriangle(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                               const int32_t xs[3], const int32_t ys[3]) {
  GfxTarget t;
  if (const int32_t opened = gfx_openTarget(surface, clip, &t); opened != kGfxReady)
    return opened;

  int order[3] = {0, 1, 2};
  std::sort(order, order + 3, [&](int a, int b) {
    if (ys[a] != ys[b])
      return ys[a] < ys[b];
    if (xs[a] != xs[b])
      return xs[a] < xs[b];
    return a > b;
  });
  const Vertex top{xs[order[0]], ys[order[0]]};
  const Vertex mid{xs[order[1]], ys[order[1]]};
  const Vertex bot{xs[order[2]], ys[order[2]]};

  const int64_t minX = std::max<int64_t>(std::min({top.x, mid.x, bot.x}), t.left);
  const int64_t maxX = std::min<int64_t>(std::max({top.x, mid.x, bot.x}), int64_t{t.right} - 1);
  if (bot.y < t.top || top.y >= t.bottom || maxX < minX)
    return 0;
  gfx_prepareColourRow(pixel, maxX - minX + 1);

  if (top.y == bot.y) {
    gfx_fillClippedSpan(t, top.y, top.x, bot.x);
    return 0;
  }

  const int64_t clipTop = t.top;
  const bool upperShown = mid.y >= clipTop;
  auto startOf = [&](const Vertex& a, const Vertex& b) {
    return a.y < clipTop ? Vertex{lCrossing(a, b, clipTop), clipTop} : a;
  };
  const Vertex longStart = startOf(top, bot);
  const Vertex upperStart = upperShown ? startOf(top, mid) : mid;
  const Vertex lowerStart = startOf(mid, bot);
  EdgeWalker longEdge(longStart.x, longStart.y, bot.x, bot.y);
  EdgeWalker upperEdge(upperStart.x, upperStart.y, mid.x, mid.y);
  EdgeWalker lowerEdge(lowerStart.x, lowerStart.y, bot.x, bot.y);

  const int64_t lastRow = std::min<int64_t>(bot.y, int64_t{t.bottom} - 1);
  for (int64_t row = longStart.y; row <= lastRow; ++row) {
    int64_t lo;
    int64_t hi;
    longEdge.takeRow(&lo, &hi);
    int64_t a;
    int64_t b;
    if (upperShown && row <= mid.y) {
      upperEdge.takeRow(&a, &b);
      lo = std::min(lo, a);
      hi = std::max(hi, b);
    }
    if (row >= lowerStart.y) {
      lowerEdge.takeRow(&a, &b);
      lo = std::min(lo, a);
      hi = std::max(hi, b);
    }
    gfx_fillClippedSpan(t, row, lo, hi);
  }
  return 0;
}
