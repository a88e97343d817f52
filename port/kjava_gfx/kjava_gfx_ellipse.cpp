// Sine table, quadrant geometry and the ellipse walker (see kjava_gfx_ellipse.h).
#include "port/kjava_gfx/kjava_gfx_ellipse.h"

#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/kjava_gfx_span.h"

namespace {

// round(sin(2i degrees) * 65536), i = 0..45.
constexpr int32_t kSineTable[46] = {
    0,     2287,  4572,  6850,  9121,  11380, 13626, 15855, 18064, 20252, 22415, 24550,
    26656, 28729, 30767, 32768, 34729, 36647, 38521, 40348, 42126, 43852, 45525, 47143,
    48703, 50203, 51643, 53020, 54332, 55578, 56756, 57865, 58903, 59870, 60764, 61584,
    62328, 62997, 63589, 64104, 64540, 64898, 65177, 65376, 65496, 65536};
static_assert(kSineTable[15] == 32768 && kSineTable[45] == 65536);

// Sine of 0..90 degrees: odd angles average their two even neighbours.
int32_t lFirstQuadrantSine(int32_t v) {
  if (v % 2 == 0)
    return kSineTable[v / 2];
  return (kSineTable[v >> 1] + kSineTable[(v >> 1) + 1]) >> 1;
}

}  // namespace

int32_t kjava_gfx_sin(int32_t degrees) {
  int64_t angle = degrees;
  if (angle < 0)
    angle = angle - angle / 360 * 360 + 360;
  else if (angle > 360)
    angle = angle - angle / 360 * 360;
  const auto v = static_cast<int32_t>(angle);
  if (v <= 90)
    return lFirstQuadrantSine(v);
  if (v <= 180)
    return lFirstQuadrantSine(180 - v);
  if (v <= 270)
    return -lFirstQuadrantSine(v - 180);
  return -lFirstQuadrantSine(360 - v);
}

EllipseBox gfx_ellipseBox(int64_t a, int64_t b, int64_t x0, int64_t x1, int64_t y0, int64_t y1) {
  return EllipseBox{a, b, x0 + a, x1 - a, y0 + b, y1 - b};
}

uint32_t gfx_visibleQuadrants(const GfxTarget& t, const EllipseBox& box) {
  uint32_t bits = kQuadAll;
  if (box.rightCentre >= t.right || box.bottomCentre >= t.bottom)
    bits &= ~uint32_t{kQuadBottomRight};
  if (box.leftCentre < t.left || box.bottomCentre >= t.bottom)
    bits &= ~uint32_t{kQuadBottomLeft};
  if (box.leftCentre < t.left || box.topCentre < t.top)
    bits &= ~uint32_t{kQuadTopLeft};
  if (box.rightCentre >= t.right || box.topCentre < t.top)
    bits &= ~uint32_t{kQuadTopRight};
  return bits;
}

void gfx_plotQuadrants(const GfxTarget& t, const EllipseBox& box, uint32_t quadrants, int64_t px,
                       int64_t py, uint16_t pixel) {
  if ((quadrants & kQuadBottomRight) != 0)
    t.plot(box.rightCentre + px, box.bottomCentre + py, pixel);
  if ((quadrants & kQuadBottomLeft) != 0)
    t.plot(box.leftCentre - px, box.bottomCentre + py, pixel);
  if ((quadrants & kQuadTopLeft) != 0)
    t.plot(box.leftCentre - px, box.topCentre - py, pixel);
  if ((quadrants & kQuadTopRight) != 0)
    t.plot(box.rightCentre + px, box.topCentre - py, pixel);
}

EllipseWalker::EllipseWalker(int64_t a, int64_t b, Tail tail)
    : b_(b), tail_(tail), px_(a), a2_(a * a), b2_(b * b) {
  d_ = 4 * b2_ * a;
  p1_ = (b2_ >> 1) - (d_ >> 1) + 2 * a2_;
  p2_ = 2 * b2_ + (a2_ >> 1) - d_;
  settle();
}

// Region 1 runs while P2 < 0, region 2 while px > 0, region 3 (the tail)
// after them; region 4 is the end.
void EllipseWalker::settle() {
  if (region_ == 1 && p2_ >= 0)
    region_ = 2;
  if (region_ == 2 && px_ <= 0)
    region_ = 3;
  if (region_ == 3) {
    // A corner's tail plots its first point even when that point is the
    // axis point that the straight edge also covers, but never past b, where
    // a degenerate corner (b = 0) would leave the rectangle.
    const bool go = tail_ == Tail::UpToRadius || !tailStarted_ ? py_ <= b_ : py_ < b_;
    if (!go)
      region_ = 4;
  }
}

bool EllipseWalker::step() {
  bool grew = false;
  switch (region_) {
    case 1:
      ++py_;
      grew = true;
      t_ += 4 * a2_;
      if (p1_ < 0) {
        p2_ += t_;
      } else {
        --px_;
        d_ -= 4 * b2_;
        p1_ -= d_;
        p2_ = p2_ - d_ + t_ + 2 * b2_;
      }
      p1_ += t_ + 2 * a2_;
      break;
    case 2:
      --px_;
      d_ -= 4 * b2_;
      if (p2_ < 1) {
        ++py_;
        grew = true;
        t_ += 4 * a2_;
        p2_ = p2_ - d_ + t_;
      } else {
        p2_ -= d_;
      }
      p2_ += 2 * b2_;
      break;
    case 3:
      ++py_;
      grew = true;
      tailStarted_ = true;
      break;
    default:
      return false;
  }
  settle();
  return grew;
}

void gfx_fillEllipseRows(const GfxTarget& t, const EllipseBox& box) {
  gfx_walkRows(box, [&](int64_t py, int64_t xl, int64_t xr) {
    gfx_fillClippedSpan(t, box.bottomCentre + py, xl, xr);
    gfx_fillClippedSpan(t, box.topCentre - py, xl, xr);
  });
}
