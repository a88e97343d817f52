// Property tests with fixed seeds: every entry, 10^5 random cases each, with
// arguments small, about 10^5 and at the int32 extremes, on guarded surfaces
// whose clips lie on, inside and outside their edges. Besides confinement
// (nothing outside the effective clip or the guards changes), each entry is
// checked against an oracle where one is known.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>

#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/tests/property_support.h"

namespace {

using i128 = __int128;

// --- Lines ---

// The pixels of a line in walk order from its left end (upper end when
// vertical): (x1 + k, y1 +- floor((2k|dy| + dx) / 2dx)), or transposed when
// steep; dotted lines keep the even k.
Points expectedLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2, bool dotted) {
  if (x1 > x2 || (x1 == x2 && y1 > y2)) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const int64_t adx = x2 - x1;
  const int64_t ady = y2 > y1 ? y2 - y1 : y1 - y2;
  const int64_t s = y2 >= y1 ? 1 : -1;
  Points points;
  const int64_t steps = std::max(adx, ady);
  if (steps == 0)
    return {{int32_t(x1), int32_t(y1)}};
  for (int64_t k = 0; k <= steps; k += dotted ? 2 : 1) {
    if (adx >= ady)
      points.insert({int32_t(x1 + k), int32_t(y1 + s * ((2 * k * ady + adx) / (2 * adx)))});
    else
      points.insert({int32_t(x1 + (2 * k * adx + ady) / (2 * ady)), int32_t(y1 + s * k)});
  }
  return points;
}

void lineCases(bool dotted, uint64_t seed) {
  Rng rng(seed);
  for (int n = 0; n < kCasesPerEntry; ++n) {
    auto s = randomSurface(rng);
    const Clip clip = randomClip(rng, s->width(), s->height());
    int32_t x1 = rng.coordinate(s->width());
    int32_t y1 = rng.coordinate(s->height());
    int32_t x2 = rng.coordinate(s->width());
    int32_t y2 = rng.coordinate(s->height());
    const bool inside = clip.left < clip.right && clip.top < clip.bottom && rng.chance(30);
    if (inside) {
      x1 = int32_t(rng.range(clip.left, clip.right - 1));
      x2 = int32_t(rng.range(clip.left, clip.right - 1));
      y1 = int32_t(rng.range(clip.top, clip.bottom - 1));
      y2 = int32_t(rng.range(clip.top, clip.bottom - 1));
    }
    const std::vector<uint16_t> before = s->block();
    const auto entry = dotted ? kjava_gfx_drawLineDotted : kjava_gfx_drawLine;
    const int32_t result = entry(s->get(), clip.get(), kInk, x1, y1, x2, y2);
    ASSERT_EQ(result, 0) << n;
    ASSERT_TRUE(confined(*s, before, clip, kInk, "line")) << n << ": " << x1 << "," << y1 << " "
                                                          << x2 << "," << y2;
    if (inside) {
      ASSERT_EQ(inkInside(*s, clip), expectedLine(x1, y1, x2, y2, dotted))
          << n << ": " << x1 << "," << y1 << " " << x2 << "," << y2;
    }
  }
}

TEST(Property, Lines) { lineCases(false, 1001); }
TEST(Property, DottedLines) { lineCases(true, 1002); }

// --- Rectangles ---

enum class RectKind { Outline, Dotted, Fill };

Points expectedRect(RectKind kind, int32_t x, int32_t y, int32_t w, int32_t h) {
  Points points;
  if (kind == RectKind::Fill) {
    for (int32_t r = y; r < y + h; ++r)
      for (int32_t c = x; c < x + w; ++c)
        points.insert({c, r});
    return points;
  }
  if (w < 0 || h < 0)
    return points;
  // Clockwise from the top-left corner, each pixel once.
  std::vector<Point> ring;
  for (int32_t c = x; c < x + w; ++c)
    ring.push_back({c, y});
  for (int32_t r = y; r < y + h; ++r)
    ring.push_back({x + w, r});
  for (int32_t c = x + w; c > x; --c)
    ring.push_back({c, y + h});
  for (int32_t r = y + h; r > y; --r)
    ring.push_back({x, r});
  for (size_t i = 0; i < ring.size(); ++i)
    if (kind == RectKind::Outline || i % 2 == 0)
      points.insert(ring[i]);
  // A single pixel has no ring: the outline draws it, the dotted one (whose
  // edges are all one pixel short) does not.
  if (ring.empty() && kind == RectKind::Outline)
    points.insert({x, y});
  return points;
}

void rectCases(RectKind kind, uint64_t seed) {
  Rng rng(seed);
  for (int n = 0; n < kCasesPerEntry; ++n) {
    auto s = randomSurface(rng);
    const Clip clip = randomClip(rng, s->width(), s->height());
    int32_t x = rng.coordinate(s->width());
    int32_t y = rng.coordinate(s->height());
    int32_t w = rng.size(s->width());
    int32_t h = rng.size(s->height());
    const int32_t last = kind == RectKind::Fill ? 1 : 0;
    if (clip.left < clip.right && clip.top < clip.bottom && rng.chance(30)) {
      x = int32_t(rng.range(clip.left, clip.right - 1));
      y = int32_t(rng.range(clip.top, clip.bottom - 1));
      w = int32_t(rng.range(-1, clip.right - x - last));
      h = int32_t(rng.range(-1, clip.bottom - y - last));
    }
    const bool inside = x >= clip.left && y >= clip.top && int64_t{x} + w - last < clip.right &&
                        int64_t{y} + h - last < clip.bottom;
    const std::vector<uint16_t> before = s->block();
    int32_t result;
    if (kind == RectKind::Outline)
      result = kjava_gfx_drawRect(s->get(), clip.get(), kInk, x, y, w, h);
    else if (kind == RectKind::Dotted)
      result = kjava_gfx_drawRectDotted(s->get(), clip.get(), kInk, x, y, w, h);
    else
      result = kjava_gfx_fillRect(s->get(), clip.get(), kInk, x, y, w, h);
    ASSERT_EQ(result, 0) << n;
    ASSERT_TRUE(confined(*s, before, clip, kInk, "rectangle"))
        << n << ": " << x << "," << y << " " << w << "x" << h;
    if (inside) {
      ASSERT_EQ(inkInside(*s, clip), expectedRect(kind, x, y, w, h))
          << n << ": " << x << "," << y << " " << w << "x" << h;
    }
  }
}

TEST(Property, Rectangles) { rectCases(RectKind::Outline, 2001); }
TEST(Property, DottedRectangles) { rectCases(RectKind::Dotted, 2002); }
TEST(Property, FilledRectangles) { rectCases(RectKind::Fill, 2003); }

// --- Triangles ---

// Independent model: each edge walked pixel by pixel from its start (moved
// to the clip's top row when it crosses it) to its end; shallow edges step
// down a row when the error is above 0, steep ones step sideways when it is
// not negative. Each row gets the min..max of the present edges.
using RowSpans = std::map<int64_t, std::pair<int64_t, int64_t>>;

void walkEdge(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t firstRow, int64_t lastRow,
              RowSpans& rows) {
  const int64_t adx = x1 > x0 ? x1 - x0 : x0 - x1;
  const int64_t dy = y1 - y0;
  const int64_t sx = x1 >= x0 ? 1 : -1;
  auto mark = [&](int64_t x, int64_t y) {
    if (y < firstRow || y > lastRow)
      return;
    auto [it, fresh] = rows.try_emplace(y, x, x);
    if (!fresh) {
      it->second.first = std::min(it->second.first, x);
      it->second.second = std::max(it->second.second, x);
    }
  };
  int64_t x = x0;
  int64_t y = y0;
  if (dy < adx) {
    int64_t e = 2 * dy - adx;
    for (int64_t k = 0; k <= adx; ++k, x += sx) {
      mark(x, y);
      if (e > 0) {
        ++y;
        e += 2 * dy - 2 * adx;
      } else {
        e += 2 * dy;
      }
    }
  } else {
    int64_t e = 2 * adx - dy;
    for (int64_t k = 0; k <= dy; ++k, ++y) {
      mark(x, y);
      if (e >= 0) {
        x += sx;
        e += 2 * adx - 2 * dy;
      } else {
        e += 2 * adx;
      }
    }
  }
}

Points expectedTriangle(const int32_t xs[3], const int32_t ys[3], const Clip& clip) {
  Points points;
  int order[3] = {0, 1, 2};
  std::stable_sort(order, order + 3, [&](int a, int b) {
    return ys[a] != ys[b] ? ys[a] < ys[b] : xs[a] != xs[b] ? xs[a] < xs[b] : a > b;
  });
  const int64_t tx = xs[order[0]], ty = ys[order[0]];
  const int64_t mx = xs[order[1]], my = ys[order[1]];
  const int64_t bx = xs[order[2]], by = ys[order[2]];
  const int64_t minX = std::max<int64_t>(std::min({tx, mx, bx}), clip.left);
  const int64_t maxX = std::min<int64_t>(std::max({tx, mx, bx}), clip.right - 1);
  if (clip.left >= clip.right || clip.top >= clip.bottom || by < clip.top ||
      ty >= clip.bottom || maxX < minX)
    return points;
  RowSpans rows;
  if (ty == by) {
    rows[ty] = {tx, bx};
  } else {
    const int64_t top = clip.top;
    auto crossing = [&](int64_t ax, int64_t ay, int64_t cx, int64_t cy) {
      return int64_t((i128(top - ay) * cx - i128(top - cy) * ax) / (cy - ay));
    };
    const int64_t first = std::max(ty, top);
    if (ty < top)
      walkEdge(crossing(tx, ty, bx, by), top, bx, by, first, by, rows);
    else
      walkEdge(tx, ty, bx, by, first, by, rows);
    if (my >= top)
      walkEdge(ty < top ? crossing(tx, ty, mx, my) : tx, first, mx, my, first, my, rows);
    if (my < top)
      walkEdge(crossing(mx, my, bx, by), top, bx, by, top, by, rows);
    else
      walkEdge(mx, my, bx, by, my, by, rows);
  }
  for (const auto& [y, span] : rows)
    for (int64_t x = std::max<int64_t>(span.first, clip.left);
         x <= std::min<int64_t>(span.second, clip.right - 1); ++x)
      if (clip.contains(x, y))
        points.insert({int32_t(x), int32_t(y)});
  return points;
}

TEST(Property, Triangles) {
  Rng rng(3001);
  for (int n = 0; n < kCasesPerEntry; ++n) {
    auto s = randomSurface(rng);
    const Clip clip = randomClip(rng, s->width(), s->height());
    int32_t xs[3];
    int32_t ys[3];
    const bool modest = rng.chance(60);
    for (int i = 0; i < 3; ++i) {
      xs[i] = modest ? int32_t(rng.range(-60, 100)) : rng.coordinate(s->width());
      ys[i] = modest ? int32_t(rng.range(-60, 100)) : rng.coordinate(s->height());
    }
    if (rng.chance(10))
      ys[1] = ys[0];  // flat tops and bottoms
    const std::vector<uint16_t> before = s->block();
    ASSERT_EQ(kjava_gfx_fillTriangle(s->get(), clip.get(), kInk, xs, ys), 0) << n;
    ASSERT_TRUE(confined(*s, before, clip, kInk, "triangle")) << n;
    if (modest) {
      ASSERT_EQ(inkInside(*s, clip), expectedTriangle(xs, ys, clip))
          << n << ": (" << xs[0] << "," << ys[0] << ") (" << xs[1] << "," << ys[1] << ") ("
          << xs[2] << "," << ys[2] << ")";
    }
  }
}

// --- Arcs, pies and rounded rectangles ---

enum class Curve { Arc, DottedArc, Pie, RoundRect, DottedRoundRect, FilledRoundRect };

int32_t drawCurve(Curve c, TestSurface& s, const Clip& clip, const int32_t a[6]) {
  switch (c) {
    case Curve::Arc:
      return kjava_gfx_drawArc(s.get(), clip.get(), kInk, a[0], a[1], a[2], a[3], a[4], a[5]);
    case Curve::DottedArc:
      return kjava_gfx_drawArcDotted(s.get(), clip.get(), kInk, a[0], a[1], a[2], a[3], a[4],
                                     a[5]);
    case Curve::Pie:
      return kjava_gfx_fillArc(s.get(), clip.get(), kInk, a[0], a[1], a[2], a[3], a[4], a[5]);
    case Curve::RoundRect:
      return kjava_gfx_drawRoundRect(s.get(), clip.get(), kInk, a[0], a[1], a[2], a[3], a[4],
                                     a[5]);
    case Curve::DottedRoundRect:
      return kjava_gfx_drawRoundRectDotted(s.get(), clip.get(), kInk, a[0], a[1], a[2], a[3],
                                           a[4], a[5]);
    case Curve::FilledRoundRect:
      break;
  }
  return kjava_gfx_fillRoundRect(s.get(), clip.get(), kInk, a[0], a[1], a[2], a[3], a[4], a[5]);
}

// Draws the same call on a fresh surface of the same size and clip; answers
// the kInk pixels.
Points redraw(Curve c, const TestSurface& like, const Clip& clip, const int32_t a[6]) {
  TestSurface fresh(like.width(), like.height(), 4);
  fillWithoutInk(fresh, 5);
  drawCurve(c, fresh, clip, a);
  return inkInside(fresh, clip);
}

bool isFilled(Curve c) { return c == Curve::Pie || c == Curve::FilledRoundRect; }
bool isArc(Curve c) { return c == Curve::Arc || c == Curve::DottedArc || c == Curve::Pie; }

void curveCases(Curve curve, uint64_t seed) {
  Rng rng(seed);
  int large = 0;
  for (int n = 0; n < kCasesPerEntry; ++n) {
    auto s = randomSurface(rng);
    const Clip clip = randomClip(rng, s->width(), s->height());
    int32_t a[6];
    a[0] = rng.coordinate(s->width());
    a[1] = rng.coordinate(s->height());
    // Radii above 2000 in at most 1,000 cases; else sizes up to 4000.
    if (n % 100 == 0) {
      ++large;
      a[2] = rng.size(s->width());
      a[3] = rng.size(s->height());
    } else {
      a[2] = int32_t(rng.chance(80) ? rng.range(-2, 2 * s->width() + 4) : rng.range(-4000, 4000));
      a[3] =
          int32_t(rng.chance(80) ? rng.range(-2, 2 * s->height() + 4) : rng.range(-4000, 4000));
    }
    if (isArc(curve)) {
      a[4] = rng.chance(90) ? int32_t(rng.range(-400, 800)) : rng.coordinate(0);
      a[5] = rng.chance(30)   ? 360
             : rng.chance(90) ? int32_t(rng.range(-400, 400))
                              : rng.coordinate(0);
    } else {
      // Arc sizes around the rectangle's, so that both fallbacks and refusals
      // come up.
      for (int i = 4; i < 6; ++i)
        a[i] = rng.chance(90) ? int32_t(rng.range(-1, std::max<int64_t>(a[i - 2], 0) + 1))
                              : rng.coordinate(0);
    }
    const bool inside = clip.left < clip.right && clip.top < clip.bottom && rng.chance(40);
    if (inside) {
      a[0] = int32_t(rng.range(clip.left, clip.right - 1));
      a[1] = int32_t(rng.range(clip.top, clip.bottom - 1));
      a[2] = int32_t(rng.range(0, clip.right - a[0] - (isFilled(curve) ? 0 : 1)));
      a[3] = int32_t(rng.range(0, clip.bottom - a[1] - (isFilled(curve) ? 0 : 1)));
    }
    const std::vector<uint16_t> before = s->block();
    const int32_t result = drawCurve(curve, *s, clip, a);
    ASSERT_TRUE(result == 0 || (!isArc(curve) && result == -1)) << n << " " << result;
    ASSERT_TRUE(confined(*s, before, clip, kInk, "curve"))
        << n << ": " << a[0] << " " << a[1] << " " << a[2] << " " << a[3] << " " << a[4] << " "
        << a[5];
    const Points drawn = inkInside(*s, clip);
    const std::string args = std::to_string(a[0]) + " " + std::to_string(a[1]) + " " +
                             std::to_string(a[2]) + " " + std::to_string(a[3]) + " " +
                             std::to_string(a[4]) + " " + std::to_string(a[5]);

    // Dotted shapes lie on their solid ones; partial arcs and pies on the
    // whole ones.
    if (curve == Curve::DottedArc || curve == Curve::DottedRoundRect) {
      const Curve solid = curve == Curve::DottedArc ? Curve::Arc : Curve::RoundRect;
      ASSERT_TRUE(isSubset(drawn, redraw(solid, *s, clip, a))) << n << ": " << args;
    }
    if (isArc(curve) && a[5] != 0 && a[5] > -360 && a[5] < 360) {
      int32_t whole[6] = {a[0], a[1], a[2], a[3], 0, 360};
      ASSERT_TRUE(isSubset(drawn, redraw(curve, *s, clip, whole))) << n << ": " << args;
    }
    if (!inside)
      continue;
    // Inside the clip: whole shapes are mirror-symmetric, and every shape
    // moves with its position.
    const int32_t last = isFilled(curve) ? 1 : 0;
    const bool whole = !isArc(curve) || a[5] >= 360 || a[5] <= -360;
    if (whole && result == 0 && curve != Curve::DottedRoundRect) {
      for (const Point& p : drawn) {
        const Point mirrorX{2 * a[0] + a[2] - last - p.first, p.second};
        const Point mirrorY{p.first, 2 * a[1] + a[3] - last - p.second};
        ASSERT_TRUE(drawn.count(mirrorX) && drawn.count(mirrorY))
            << n << ": " << args << " at " << p.first << "," << p.second;
      }
    }
    const int32_t dx = int32_t(rng.range(clip.left - a[0], clip.right - 1 - a[0] - a[2] + last));
    const int32_t dy = int32_t(rng.range(clip.top - a[1], clip.bottom - 1 - a[1] - a[3] + last));
    int32_t moved[6] = {a[0] + dx, a[1] + dy, a[2], a[3], a[4], a[5]};
    ASSERT_EQ(redraw(curve, *s, clip, moved), shifted(drawn, dx, dy)) << n << ": " << args;
  }
  EXPECT_LE(large, 1000);
}

TEST(Property, Arcs) { curveCases(Curve::Arc, 4001); }
TEST(Property, DottedArcs) { curveCases(Curve::DottedArc, 4002); }
TEST(Property, Pies) { curveCases(Curve::Pie, 4003); }
TEST(Property, RoundRects) { curveCases(Curve::RoundRect, 4004); }
TEST(Property, DottedRoundRects) { curveCases(Curve::DottedRoundRect, 4005); }
TEST(Property, FilledRoundRects) { curveCases(Curve::FilledRoundRect, 4006); }

// Every outline point lies within one pixel (Chebyshev distance) of the
// true ellipse of its quadrant: px^2 b^2 + py^2 a^2 = a^2 b^2 relative to
// the quadrant's centre.
bool nearEllipse(int64_t px, int64_t py, int64_t a, int64_t b) {
  auto f = [&](int64_t x, int64_t y) {
    return i128(x) * x * b * b + i128(y) * y * a * a - i128(a) * a * b * b;
  };
  bool in = false;
  bool out = false;
  for (int64_t ex = -1; ex <= 1; ++ex)
    for (int64_t ey = -1; ey <= 1; ++ey) {
      in |= f(px + ex, py + ey) <= 0;
      out |= f(px + ex, py + ey) >= 0;
    }
  return in && out;
}

// Draws an ellipse of radii a, b (box 2a x 2b, or one more for odd sizes)
// whose bottom-right quadrant centre lands on (cx, cy) of the surface, and
// checks the points right of and below that centre.
void checkQuadrant(TestSurface& s, int64_t w, int64_t h, int64_t cx, int64_t cy) {
  const int64_t a = w / 2;
  const int64_t b = h / 2;
  s.fill(kBackground);
  // Right centre column x + w - a, bottom centre row y + h - b.
  const int64_t x = cx - (w - a);
  const int64_t y = cy - (h - b);
  ASSERT_EQ(kjava_gfx_drawArc(s.get(), nullptr, kInk, int32_t(x), int32_t(y), int32_t(w),
                              int32_t(h), 0, 360),
            0);
  int points = 0;
  for (int32_t py = 0; py < s.height(); ++py)
    for (int32_t px = 0; px < s.width(); ++px)
      if (px >= cx && py >= cy && s.at(px, py) == kInk) {
        ++points;
        ASSERT_TRUE(nearEllipse(px - cx, py - cy, a, b))
            << w << "x" << h << " at " << px - cx << "," << py - cy;
      }
  EXPECT_GT(points, 0) << w << "x" << h;
}

TEST(Property, EllipseOutlinesStayWithinAPixel) {
  // Every small size, whole.
  TestSurface small(70, 70, 4);
  for (int64_t w = 0; w <= 64; ++w)
    for (int64_t h = 0; h <= 64; ++h)
      checkQuadrant(small, w, h, 2, 2);
  // Random sizes up to radius 2000: the quadrant fills the surface.
  TestSurface big(2004, 2004, 4);
  Rng rng(5001);
  for (int n = 0; n < 30; ++n)
    checkQuadrant(big, rng.range(0, 4001), rng.range(0, 4001), 1, 1);
  // The largest radius, seen through a window at the axis points and between
  // them (the rest of the walk still runs).
  TestSurface window(64, 64, 4);
  const int64_t r = kGfxMaxRadius;
  const int64_t w = 2 * r;
  const int64_t h = 2 * r - 1000;  // b = r - 500
  const int64_t b = h / 2;
  const int64_t spots[][2] = {{r - 40, 0}, {0, b - 40}, {370695, 370342}};
  for (const auto& spot : spots) {
    window.fill(kBackground);
    // Window origin at quadrant position (spot), centre at -spot.
    const int64_t cx = -spot[0];
    const int64_t cy = -spot[1];
    ASSERT_EQ(kjava_gfx_drawArc(window.get(), nullptr, kInk, int32_t(cx - (w - r)),
                                int32_t(cy - (h - b)), int32_t(w), int32_t(h), 0, 360),
              0);
    int points = 0;
    for (int32_t py = 0; py < 64; ++py)
      for (int32_t px = 0; px < 64; ++px)
        if (window.at(px, py) == kInk) {
          ++points;
          ASSERT_TRUE(nearEllipse(px - cx, py - cy, r, b)) << px - cx << "," << py - cy;
        }
    EXPECT_GT(points, 20) << spot[0] << "," << spot[1];
  }
}

// --- ARGB writes and blits ---

TEST(Property, ArgbWrites) {
  Rng rng(6001);
  std::vector<uint32_t> argb;
  for (int n = 0; n < kCasesPerEntry; ++n) {
    auto s = randomSurface(rng);
    const Clip clip = randomClip(rng, s->width(), s->height());
    const int32_t x = rng.coordinate(s->width());
    const int32_t y = rng.coordinate(s->height());
    const int32_t w = int32_t(rng.range(-2, 40));
    const int32_t h = int32_t(rng.range(-2, 40));
    const uint32_t modes[] = {0, 1, 0x80000000};
    const uint32_t mode = modes[rng.range(0, 2)];
    argb.resize(size_t(std::max(w, 1)) * size_t(std::max(h, 1)));
    for (uint32_t& v : argb)
      v = uint32_t(rng.next());
    const std::vector<uint16_t> before = s->block();
    ASSERT_EQ(kjava_gfx_writeARGB(s->get(), clip.get(), x, y, argb.data(), w, h, mode), 0);
    ASSERT_TRUE(confined(*s, before, clip, std::nullopt, "argb")) << n;
    for (int32_t py = clip.top; py < clip.bottom; ++py)
      for (int32_t px = clip.left; px < clip.right; ++px) {
        const int64_t i = int64_t{px} - x;
        const int64_t j = int64_t{py} - y;
        if (i >= 0 && i < w && j >= 0 && j < h) {
          ASSERT_EQ(s->at(px, py), kjava_gfx_toPixel(argb[size_t(j * w + i)], mode)) << n;
        }
      }
  }
}

// Destination offset (i, j) of region pixel (u, v) under each transform.
std::pair<int64_t, int64_t> placed(int32_t t, int64_t u, int64_t v, int64_t sw, int64_t sh) {
  switch (t) {
    case TRANS_NONE:
      return {u, v};
    case TRANS_MIRROR_ROT180:  // flipped upside down
      return {u, sh - 1 - v};
    case TRANS_MIRROR:
      return {sw - 1 - u, v};
    case TRANS_ROT180:
      return {sw - 1 - u, sh - 1 - v};
    case TRANS_MIRROR_ROT270:  // transposed
      return {v, u};
    case TRANS_ROT90:  // a quarter turn clockwise
      return {sh - 1 - v, u};
    case TRANS_ROT270:
      return {v, sw - 1 - u};
    default:  // TRANS_MIRROR_ROT90: transposed across the other diagonal
      return {sh - 1 - v, sw - 1 - u};
  }
}

void blitCases(bool region, uint64_t seed) {
  Rng rng(seed);
  for (int n = 0; n < kCasesPerEntry; ++n) {
    auto dst = randomSurface(rng);
    const bool self = rng.chance(20);
    std::unique_ptr<TestSurface> own;
    if (!self) {
      own = randomSurface(rng);
      own->get()->transparent = rng.chance(50) ? 1 : 0;
    } else {
      dst->get()->transparent = rng.chance(50) ? 1 : 0;
    }
    TestSurface& src = self ? *dst : *own;
    const int32_t sw0 = src.width();
    const int32_t sh0 = src.height();
    const Clip clip = randomClip(rng, dst->width(), dst->height());
    const int32_t x = rng.chance(70) ? int32_t(rng.range(-sw0 - 4, dst->width() + 4))
                                     : rng.coordinate(dst->width());
    const int32_t y = rng.chance(70) ? int32_t(rng.range(-sh0 - 4, dst->height() + 4))
                                     : rng.coordinate(dst->height());
    int32_t sx = 0, sy = 0, sw = sw0, sh = sh0, t = 0;
    if (region) {
      sx = rng.chance(80) ? int32_t(rng.range(-1, sw0)) : rng.coordinate(sw0);
      sy = rng.chance(80) ? int32_t(rng.range(-1, sh0)) : rng.coordinate(sh0);
      sw = rng.chance(80) ? int32_t(rng.range(-1, sw0 - std::max(sx, 0) + 1)) : rng.size(sw0);
      sh = rng.chance(80) ? int32_t(rng.range(-1, sh0 - std::max(sy, 0) + 1)) : rng.size(sh0);
      t = int32_t(rng.range(-1, 8));
    }
    // The expected result, from a copy of the source taken before the call.
    const std::vector<uint16_t> before = dst->block();
    std::vector<uint16_t> source(size_t(sw0) * sh0);
    for (int32_t v = 0; v < sh0; ++v)
      for (int32_t u = 0; u < sw0; ++u)
        source[size_t(v) * sw0 + u] = src.at(u, v);
    const bool valid = sx >= 0 && sy >= 0 && int64_t{sx} + sw <= sw0 &&
                       int64_t{sy} + sh <= sh0 && t >= 0 && t <= 7;
    std::map<Point, uint16_t> expected;
    if (valid) {
      for (int64_t v = 0; v < sh; ++v)
        for (int64_t u = 0; u < sw; ++u) {
          const auto [i, j] = placed(t, u, v, sw, sh);
          const uint16_t value = source[size_t(sy + v) * sw0 + size_t(sx + u)];
          if (clip.contains(x + i, y + j) &&
              (src.get()->transparent == 0 || (value & kJkPixelOpaque) != 0))
            expected[{int32_t(x + i), int32_t(y + j)}] = value;
        }
    }
    const int32_t result =
        region ? kjava_gfx_blitRegion(dst->get(), clip.get(), x, y, src.get(), sx, sy, sw, sh, t)
               : kjava_gfx_blit(dst->get(), clip.get(), x, y, src.get());
    const std::string args = std::to_string(x) + "," + std::to_string(y) + " " +
                             std::to_string(sx) + "," + std::to_string(sy) + " " +
                             std::to_string(sw) + "x" + std::to_string(sh) + " t" +
                             std::to_string(t) + (self ? " self" : "");
    ASSERT_EQ(result, valid ? 0 : -1) << n << ": " << args;
    ASSERT_TRUE(confined(*dst, before, clip, std::nullopt, "blit")) << n << ": " << args;
    for (int32_t py = 0; py < dst->height(); ++py)
      for (int32_t px = 0; px < dst->width(); ++px) {
        const auto it = expected.find({px, py});
        const uint16_t want = it != expected.end() ? it->second
                              : self ? source[size_t(py) * sw0 + px]
                                     : before[16 + size_t(py) * dst->width() + px];
        ASSERT_EQ(dst->at(px, py), want) << n << ": " << args << " at " << px << "," << py;
      }
  }
}

TEST(Property, Blits) { blitCases(false, 7001); }
TEST(Property, RegionBlits) { blitCases(true, 7002); }

}  // namespace
