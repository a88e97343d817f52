// Elliptical arc outlines (solid and dotted) and filled pies.
//
// Angles come in the Java convention (counter-clockwise from three o'clock)
// and are turned into screen angles s..e that grow clockwise (0 right,
// 90 bottom, 180 left, 270 top), 0 <= s < 360, s < e < 720. A whole ellipse
// (extent of 360 or more) has no rays.
//
// Outline: each quadrant is walked from its horizontal axis point towards the
// vertical axis with an arc bit that says whether its points are drawn. The
// bits start from s and e; the start and end rays, Bresenham lines from their
// quadrant's centre along the ray's direction (A, B) = (|cos t| a, |sin t| b)
// in 16.16 units, each toggle their quadrant's bit once, where the walker
// meets them.
//
// Pie: each row the walker reaches is filled between its left and right
// columns; for a partial pie each half (bottom: rows at and below the bottom
// centre row, angles 0..180; top: rows at and above the top centre row,
// angles 180..360) is cut at the rays' columns on that row by a rule from the
// table of fill cases, and the rays themselves are drawn in the fill colour.
//
// Invariant: radii above kGfxMaxRadius draw nothing; below it every term fits
// 64 bits (sine x radius < 2^36, walker terms < 2^62) and the rays move at
// most a columns in all, so the work is bounded by about 2(a + b) steps.
#include <algorithm>
#include <cstdint>

#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/kjava_gfx_ellipse.h"
#include "port/kjava_gfx/kjava_gfx_span.h"
#include "port/kjava_gfx/kjava_gfx_target.h"

namespace {

// Columns of rays that never leave the centre row, on the rows below or
// above it: a ray at angle 0 lies right of every span, one at 180 left of it.
constexpr int64_t kFarRight = int64_t{1} << 62;
constexpr int64_t kFarLeft = -kFarRight;

struct ArcAngles {
  bool whole;
  int64_t s;
  int64_t e;  // unreduced: s + extent
  int64_t extent;
};

// False for an extent of 0 (nothing is drawn).
bool lSetUpAngles(int32_t start, int32_t extent, ArcAngles* out) {
  if (extent == 0)
    return false;
  int64_t s;
  int64_t sweep;
  if (extent > 0) {
    s = -(int64_t{start} + extent);
    sweep = extent;
  } else {
    s = -int64_t{start};
    sweep = -int64_t{extent};
  }
  out->extent = sweep;
  out->whole = sweep >= 360;
  if (out->whole)
    return true;
  if (s < 0) {
    s = s - s / 360 * 360 + 360;
    if (s == 360)
      s = 0;
  } else if (s >= 360) {
    s %= 360;
  }
  out->s = s;
  out->e = s + sweep;
  return true;
}

uint32_t lStartQuadrant(int64_t s) {
  if (s < 90)
    return kQuadBottomRight;
  if (s < 180)
    return kQuadBottomLeft;
  if (s < 270)
    return kQuadTopLeft;
  return kQuadTopRight;
}

// e reduced below 360; 0 stands for 360.
uint32_t lEndQuadrant(int64_t e) {
  if (e > 0 && e <= 90)
    return kQuadBottomRight;
  if (e > 0 && e <= 180)
    return kQuadBottomLeft;
  if (e > 0 && e <= 270)
    return kQuadTopLeft;
  return kQuadTopRight;
}

// A start or end ray followed outwards from its quadrant's centre, one row
// (py) at a time.
struct Ray {
  uint32_t quadrant;
  int64_t angle;
  int64_t column;
  int64_t xStep;
  bool steep;
  bool inert;  // horizontal: never leaves the centre row
  bool done = false;
  int64_t error = 0;
  int64_t straight = 0;
  int64_t diagonal = 0;

  bool within(int64_t xl, int64_t xr) const { return column >= xl && column <= xr; }
  // One row of a steep ray: sideways when the error is not negative.
  void stepSteep() {
    if (error < 0) {
      error += straight;
    } else {
      error += diagonal;
      column += xStep;
    }
  }
};

Ray lMakeRay(int64_t angle, uint32_t quadrant, const EllipseBox& box) {
  const bool right = quadrant == kQuadBottomRight || quadrant == kQuadTopRight;
  Ray ray{quadrant, angle, right ? box.rightCentre : box.leftCentre, right ? 1 : -1, false, false};
  const auto t = static_cast<int32_t>(angle);
  int64_t a = int64_t{kjava_gfx_sin(90 - t)} * box.a;
  int64_t b = int64_t{kjava_gfx_sin(t)} * box.b;
  a = a < 0 ? -a : a;
  b = b < 0 ? -b : b;
  if (a < b) {
    ray.steep = true;
    ray.error = 2 * a - b;
    ray.straight = 2 * a;
    ray.diagonal = 2 * a - 2 * b;
  } else if (b == 0) {
    ray.inert = true;
  } else {
    ray.error = 2 * b - a;
    ray.straight = 2 * b;
    ray.diagonal = 2 * b - 2 * a;
  }
  return ray;
}

// Outline ray tracking after a walker step (xl..xr: the walker's columns).
void lTrackRay(Ray& ray, uint32_t* arcBits, bool rowAdvanced, int64_t xl, int64_t xr) {
  if (ray.done || ray.inert)
    return;
  if (rowAdvanced) {
    if (ray.steep) {
      if (ray.within(xl, xr))
        ray.stepSteep();
    } else {
      while (ray.within(xl, xr)) {
        ray.column += ray.xStep;
        if (ray.error > 0) {
          ray.error += ray.diagonal;
          break;
        }
        ray.error += ray.straight;
      }
      if ((*arcBits & ray.quadrant) == 0) {
        while (ray.within(xl, xr) && ray.error < 1) {
          ray.column += ray.xStep;
          ray.error += ray.straight;
        }
      }
    }
  }
  if (xr <= ray.column || ray.column <= xl) {
    if ((*arcBits & ray.quadrant) == 0) {
      *arcBits |= ray.quadrant;
      ray.done = true;
    } else if (xr < ray.column || ray.column < xl) {
      *arcBits &= ~ray.quadrant;
      ray.done = true;
    }
  }
}

int32_t lDrawArc(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int64_t x, int64_t y,
                 int64_t w, int64_t h, int32_t start, int32_t extent, bool dotted) {
  GfxTarget t;
  if (const int32_t opened = gfx_openTarget(surface, clip, &t); opened != kGfxReady)
    return opened;
  ArcAngles angles;
  if (!lSetUpAngles(start, extent, &angles))
    return 0;
  if (w < 0 || h < 0 || t.misses(x, y, x + w, y + h))
    return 0;
  const int64_t a = w / 2;
  const int64_t b = h / 2;
  if (a > kGfxMaxRadius || b > kGfxMaxRadius)
    return 0;
  const EllipseBox box = gfx_ellipseBox(a, b, x, x + w, y, y + h);
  const uint32_t visible = gfx_visibleQuadrants(t, box);

  uint32_t arcBits = kQuadAll;
  Ray rays[2];
  int rayCount = 0;
  if (!angles.whole) {
    const int64_t s = angles.s;
    int64_t e = angles.e;
    arcBits = 0;
    if ((s == 0 && e > 0) || e > 360)
      arcBits |= kQuadBottomRight;
    if ((s < 180 && e >= 180) || e >= 540)
      arcBits |= kQuadBottomLeft;
    if ((s <= 180 && e > 180) || e > 540)
      arcBits |= kQuadTopLeft;
    if (e >= 360)
      arcBits |= kQuadTopRight;
    if (e >= 360)
      e -= 360;
    rays[rayCount++] = lMakeRay(s, lStartQuadrant(s), box);
    rays[rayCount++] = lMakeRay(e, lEndQuadrant(e), box);
  }

  bool on = true;
  EllipseWalker walker(a, b, EllipseWalker::Tail::UpToRadius);
  while (walker.more()) {
    if (on || !dotted)
      gfx_plotQuadrants(t, box, visible & arcBits, walker.px(), walker.py(), pixel);
    on = !on;
    const bool rowAdvanced = walker.step();
    const int64_t xl = box.leftCentre - walker.px();
    const int64_t xr = box.rightCentre + walker.px();
    for (int i = 0; i < rayCount; ++i)
      lTrackRay(rays[i], &arcBits, rowAdvanced, xl, xr);
  }
  return 0;
}

// --- Pies ---

// What a half of a partial pie fills on each row.
enum class HalfRule { Nothing, All, Wedge, AllExcept, FromStart, ToEnd };

struct PieRules {
  HalfRule bottom;
  HalfRule top;
};

// s < 360 and e reduced below 360, with 0 standing for 360.
PieRules lPieRules(int64_t s, int64_t e, int64_t extent) {
  const int64_t end = e == 0 ? 360 : e;
  if (s < 180) {
    if (end <= 180)
      return extent <= 180 ? PieRules{HalfRule::Wedge, HalfRule::Nothing}
                           : PieRules{HalfRule::AllExcept, HalfRule::All};
    return {HalfRule::FromStart, HalfRule::ToEnd};
  }
  if (end < 180)
    return {HalfRule::ToEnd, HalfRule::FromStart};
  return extent <= 180 ? PieRules{HalfRule::Nothing, HalfRule::Wedge}
                       : PieRules{HalfRule::All, HalfRule::AllExcept};
}

// The columns lo..hi that a pie ray draws on its current row, then moves it a
// row outwards. A ray that has left the walker's span stays outside it.
void lTakeRayRow(Ray& ray, int64_t xl, int64_t xr, int64_t* lo, int64_t* hi) {
  if (ray.inert) {
    const bool zero = ray.angle % 360 == 0;
    const bool half = ray.angle == 180;
    *lo = *hi = zero ? kFarRight : half ? kFarLeft : ray.column;
    return;
  }
  const int64_t first = ray.column;
  int64_t last = first;
  if (!ray.within(xl, xr)) {
    // Outside the span: it stays there, beside every later row's span.
  } else if (ray.steep) {
    ray.stepSteep();
  } else {
    while (true) {
      last = ray.column;
      ray.column += ray.xStep;
      if (ray.error > 0) {
        ray.error += ray.diagonal;
        break;
      }
      ray.error += ray.straight;
      if (!ray.within(xl, xr))
        break;
    }
  }
  *lo = std::min(first, last);
  *hi = std::max(first, last);
}

struct RayRun {
  int64_t lo;
  int64_t hi;
};

// Fills row `row` of one half by its rule. Columns grow with the angle in
// the top half and shrink with it in the bottom half.
void lFillHalfRow(const GfxTarget& t, int64_t row, HalfRule rule, bool bottom, RayRun start,
                  RayRun end, int64_t xl, int64_t xr) {
  auto part = [&](int64_t from, int64_t to) {
    gfx_fillClippedSpan(t, row, std::max(from, xl), std::min(to, xr));
  };
  // The part on the arc's side of each ray, its own columns included.
  const int64_t startBound = bottom ? start.hi : start.lo;
  const int64_t endBound = bottom ? end.lo : end.hi;
  switch (rule) {
    case HalfRule::Nothing:
      break;
    case HalfRule::All:
      part(xl, xr);
      break;
    case HalfRule::Wedge:
      if (bottom)
        part(endBound, startBound);
      else
        part(startBound, endBound);
      break;
    case HalfRule::AllExcept:
      if (bottom) {
        part(xl, startBound);
        part(endBound, xr);
      } else {
        part(xl, endBound);
        part(startBound, xr);
      }
      break;
    case HalfRule::FromStart:  // bottom: s..180 left of the start ray; top: s..360 right of it
      if (bottom)
        part(xl, startBound);
      else
        part(startBound, xr);
      break;
    case HalfRule::ToEnd:  // bottom: 0..e right of the end ray; top: 180..e left of it
      if (bottom)
        part(endBound, xr);
      else
        part(xl, endBound);
      break;
  }
}

}  // namespace

int32_t kjava_gfx_drawArc(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int32_t x,
                          int32_t y, int32_t w, int32_t h, int32_t start, int32_t extent) {
  return lDrawArc(surface, clip, pixel, x, y, w, h, start, extent, false);
}

int32_t kjava_gfx_drawArcDotted(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                                int32_t x, int32_t y, int32_t w, int32_t h, int32_t start,
                                int32_t extent) {
  return lDrawArc(surface, clip, pixel, x, y, w, h, start, extent, true);
}

int32_t kjava_gfx_fillArc(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int32_t x,
                          int32_t y, int32_t w, int32_t h, int32_t start, int32_t extent) {
  GfxTarget t;
  if (const int32_t opened = gfx_openTarget(surface, clip, &t); opened != kGfxReady)
    return opened;
  ArcAngles angles;
  if (!lSetUpAngles(start, extent, &angles))
    return 0;
  const int64_t xLast = int64_t{x} + w - 1;
  const int64_t yLast = int64_t{y} + h - 1;
  if (w < 1 || h < 1 || t.misses(x, y, xLast, yLast))
    return 0;
  const int64_t a = (int64_t{w} - 1) / 2;
  const int64_t b = (int64_t{h} - 1) / 2;
  if (a > kGfxMaxRadius || b > kGfxMaxRadius)
    return 0;
  const EllipseBox box = gfx_ellipseBox(a, b, x, xLast, y, yLast);
  gfx_prepareColourRow(pixel, std::min<int64_t>(int64_t{t.right} - t.left + 1, w));

  if (angles.whole) {
    gfx_fillEllipseRows(t, box);
    return 0;
  }

  const int64_t s = angles.s;
  const int64_t e = angles.e >= 360 ? angles.e - 360 : angles.e;
  const PieRules rules = lPieRules(s, e, angles.extent);
  const uint32_t startQuadrant = lStartQuadrant(s);
  const uint32_t endQuadrant = lEndQuadrant(e);
  Ray startRay = lMakeRay(s, startQuadrant, box);
  Ray endRay = lMakeRay(e == 0 ? 360 : e, endQuadrant, box);
  const bool startBelow = (startQuadrant & (kQuadBottomRight | kQuadBottomLeft)) != 0;
  const bool endBelow = (endQuadrant & (kQuadBottomRight | kQuadBottomLeft)) != 0;

  gfx_walkRows(box, [&](int64_t py, int64_t xl, int64_t xr) {
    RayRun startRun;
    RayRun endRun;
    lTakeRayRow(startRay, xl, xr, &startRun.lo, &startRun.hi);
    lTakeRayRow(endRay, xl, xr, &endRun.lo, &endRun.hi);
    const int64_t bottomRow = box.bottomCentre + py;
    const int64_t topRow = box.topCentre - py;
    lFillHalfRow(t, bottomRow, rules.bottom, true, startRun, endRun, xl, xr);
    lFillHalfRow(t, topRow, rules.top, false, startRun, endRun, xl, xr);
    // The rays themselves, in the fill colour.
    if (!startRay.inert)
      gfx_fillClippedSpan(t, startBelow ? bottomRow : topRow, std::max(startRun.lo, xl),
                          std::min(startRun.hi, xr));
    if (!endRay.inert)
      gfx_fillClippedSpan(t, endBelow ? bottomRow : topRow, std::max(endRun.lo, xl),
                          std::min(endRun.hi, xr));
  });
  return 0;
}
