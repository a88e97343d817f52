// Sine, arcs, pies and rounded rectangles.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/tests/gfx_test_surface.h"

namespace {

TEST(Sine, Table) {
  const std::pair<int32_t, int32_t> cases[] = {
      {0, 0},        {90, 65536},    {30, 32768},  {1, 1143},     {270, -65536},
      {360, 0},      {-90, -65536},  {450, 65536}, {180, 0},      {-360, 0},
      {88, 65496},   {91, 65516},    {-1, -1143},  {720, 0},      {INT_MIN, kjava_gfx_sin(232)},
      {INT_MAX, kjava_gfx_sin(INT_MAX % 360)},
  };
  for (auto [angle, value] : cases)
    EXPECT_EQ(kjava_gfx_sin(angle), value) << angle;
  for (int32_t angle = 0; angle <= 360; ++angle)
    EXPECT_NEAR(kjava_gfx_sin(angle), 65536 * std::sin(angle * M_PI / 180), 40) << angle;
}

enum class Shape { Arc, DottedArc, Pie, RoundRect, DottedRoundRect, FilledRoundRect };

int32_t draw(Shape shape, JkSurface* s, const ClipRect* clip, int32_t x, int32_t y, int32_t w,
             int32_t h, int32_t p, int32_t q) {
  switch (shape) {
    case Shape::Arc:
      return kjava_gfx_drawArc(s, clip, kInk, x, y, w, h, p, q);
    case Shape::DottedArc:
      return kjava_gfx_drawArcDotted(s, clip, kInk, x, y, w, h, p, q);
    case Shape::Pie:
      return kjava_gfx_fillArc(s, clip, kInk, x, y, w, h, p, q);
    case Shape::RoundRect:
      return kjava_gfx_drawRoundRect(s, clip, kInk, x, y, w, h, p, q);
    case Shape::DottedRoundRect:
      return kjava_gfx_drawRoundRectDotted(s, clip, kInk, x, y, w, h, p, q);
    case Shape::FilledRoundRect:
      break;
  }
  return kjava_gfx_fillRoundRect(s, clip, kInk, x, y, w, h, p, q);
}

Points drawOn20(Shape shape, int32_t x, int32_t y, int32_t w, int32_t h, int32_t p, int32_t q,
                int32_t expectedResult = 0) {
  TestSurface s(20, 20);
  EXPECT_EQ(draw(shape, s.get(), nullptr, x, y, w, h, p, q), expectedResult);
  return s.drawn();
}

struct ShapeCase {
  const char* name;
  Shape shape;
  int32_t x, y, w, h, p, q;
  Points expected;
};

TEST(Curves, Table) {
  const Points ring = unite({rowRun(0, 1, 3), rowRun(4, 1, 3), columnRun(0, 1, 3),
                             columnRun(4, 1, 3)});
  const ShapeCase cases[] = {
      {"point ellipse", Shape::Arc, 0, 0, 0, 0, 0, 360, {{0, 0}}},
      {"ellipse 4 x 4", Shape::Arc, 0, 0, 4, 4, 0, 360, ring},
      {"dotted ellipse", Shape::DottedArc, 0, 0, 4, 4, 0, 360,
       {{0, 2}, {4, 2}, {1, 0}, {3, 0}, {1, 4}, {3, 4}}},
      {"extent 0", Shape::Arc, 0, 0, 4, 4, 30, 0, {}},
      {"negative size", Shape::Arc, 0, 0, -1, 4, 0, 360, {}},
      {"pie 5 x 5", Shape::Pie, 0, 0, 5, 5, 0, 360,
       unite({rowRun(0, 1, 3), rowRun(4, 1, 3), rowRun(1, 0, 4), rowRun(2, 0, 4),
              rowRun(3, 0, 4)})},
      {"pie 1 x 1", Shape::Pie, 6, 7, 1, 1, 0, 360, {{6, 7}}},
      {"pie 0 x 0", Shape::Pie, 6, 7, 0, 0, 0, 360, {}},
      {"round rect", Shape::RoundRect, 0, 0, 10, 6, 4, 4,
       unite({rowRun(0, 1, 9), rowRun(6, 1, 9), columnRun(0, 1, 5), columnRun(10, 1, 5)})},
      {"dotted round rect", Shape::DottedRoundRect, 0, 0, 10, 6, 4, 4,
       {{10, 4}, {0, 4}, {0, 2}, {10, 2}, {9, 6}, {1, 6}, {1, 0}, {9, 0}, {0, 3}, {3, 0}, {5, 0},
        {7, 0}, {4, 6}, {6, 6}}},
      // A corner of height 0 reaches no row beyond the rectangle.
      {"flat corners", Shape::RoundRect, 6, 2, 10, 1, 3, 1,
       unite({rowRun(2, 6, 16), rowRun(3, 6, 16)})},
      {"filled round rect", Shape::FilledRoundRect, 0, 0, 10, 6, 5, 5,
       unite({rowRun(0, 1, 8), rowRun(5, 1, 8), rowRun(1, 0, 9), rowRun(2, 0, 9),
              rowRun(3, 0, 9), rowRun(4, 0, 9)})},
  };
  for (const ShapeCase& c : cases)
    EXPECT_EQ(drawOn20(c.shape, c.x, c.y, c.w, c.h, c.p, c.q), c.expected) << c.name;
}

TEST(Curves, PartialArcsAndPiesCoverTheirQuarters) {
  // Java angles: start 90, extent 270 covers all but the top-right quarter.
  const Points whole = drawOn20(Shape::Arc, 0, 0, 16, 16, 0, 360);
  Points threeQuarters;
  for (const Point& p : whole)
    if (!(p.first > 8 && p.second < 8))
      threeQuarters.insert(p);
  EXPECT_EQ(drawOn20(Shape::Arc, 0, 0, 16, 16, 90, 270), threeQuarters);
  EXPECT_EQ(drawOn20(Shape::Arc, 0, 0, 16, 16, 0, -90),
            drawOn20(Shape::Arc, 0, 0, 16, 16, 270, 90));

  // Quarter and half pies of a 9 x 9 disc centred on (4, 4).
  const Points disc = drawOn20(Shape::Pie, 0, 0, 9, 9, 0, 360);
  auto part = [&](auto keep) {
    Points kept;
    for (const Point& p : disc)
      if (keep(p.first, p.second))
        kept.insert(p);
    return kept;
  };
  struct PieCase {
    int32_t start, extent;
    bool (*keep)(int32_t, int32_t);
  };
  const PieCase pies[] = {
      {0, 90, [](int32_t x, int32_t y) { return x >= 4 && y <= 4; }},
      {90, 90, [](int32_t x, int32_t y) { return x <= 4 && y <= 4; }},
      {180, 90, [](int32_t x, int32_t y) { return x <= 4 && y >= 4; }},
      {270, 90, [](int32_t x, int32_t y) { return x >= 4 && y >= 4; }},
      {0, 180, [](int32_t, int32_t y) { return y <= 4; }},
      {180, 180, [](int32_t, int32_t y) { return y >= 4; }},
      {90, 180, [](int32_t x, int32_t) { return x <= 4; }},
      {270, 180, [](int32_t x, int32_t) { return x >= 4; }},
      {90, -90, [](int32_t x, int32_t y) { return x >= 4 && y <= 4; }},
      {0, 270, [](int32_t x, int32_t y) { return !(x > 4 && y > 4); }},
      {180, 270, [](int32_t x, int32_t y) { return !(x < 4 && y < 4); }},
  };
  for (const PieCase& c : pies)
    EXPECT_EQ(drawOn20(Shape::Pie, 0, 0, 9, 9, c.start, c.extent), part(c.keep))
        << c.start << " " << c.extent;
}

TEST(Curves, ComplementaryPiesCoverTheWholePie) {
  const Points whole = drawOn20(Shape::Pie, 1, 2, 17, 12, 0, 360);
  for (int32_t start = -45; start < 360; start += 15) {
    for (int32_t extent = 5; extent < 360; extent += 25) {
      const Points a = drawOn20(Shape::Pie, 1, 2, 17, 12, start, extent);
      const Points b = drawOn20(Shape::Pie, 1, 2, 17, 12, start + extent, 360 - extent);
      EXPECT_EQ(unite({a, b}), whole) << start << " " << extent;
    }
  }
}

TEST(Curves, RoundRectFallbacksAndRefusals) {
  EXPECT_EQ(drawOn20(Shape::RoundRect, 2, 3, 9, 5, 0, 4),
            [] {
              TestSurface s(20, 20);
              kjava_gfx_drawRect(s.get(), nullptr, kInk, 2, 3, 9, 5);
              return s.drawn();
            }());
  EXPECT_EQ(drawOn20(Shape::DottedRoundRect, 2, 3, 9, 5, 4, -1),
            [] {
              TestSurface s(20, 20);
              kjava_gfx_drawRectDotted(s.get(), nullptr, kInk, 2, 3, 9, 5);
              return s.drawn();
            }());
  EXPECT_EQ(drawOn20(Shape::FilledRoundRect, 2, 3, 9, 5, 1, 4),
            [] {
              TestSurface s(20, 20);
              kjava_gfx_fillRect(s.get(), nullptr, kInk, 2, 3, 9, 5);
              return s.drawn();
            }());
  EXPECT_TRUE(drawOn20(Shape::RoundRect, 2, 3, 9, 5, 10, 4, -1).empty());
  EXPECT_TRUE(drawOn20(Shape::DottedRoundRect, 2, 3, 9, 5, 4, 6, -1).empty());
  EXPECT_TRUE(drawOn20(Shape::FilledRoundRect, 2, 3, 9, 5, 10, 4, -1).empty());
  // A rectangle outside the clip is nothing to refuse.
  EXPECT_TRUE(drawOn20(Shape::RoundRect, 30, 3, 9, 5, 10, 4, 0).empty());
}

TEST(Curves, RadiiAboveTheLimitDrawNothing) {
  const int32_t over = 2 * (kGfxMaxRadius + 1);
  for (Shape shape : {Shape::Arc, Shape::DottedArc, Shape::RoundRect, Shape::DottedRoundRect})
    EXPECT_TRUE(drawOn20(shape, -over / 2, 0, over, over, over, over).empty());
  EXPECT_TRUE(drawOn20(Shape::Pie, -over / 2, 0, over + 1, over + 1, 0, 360).empty());
  EXPECT_TRUE(drawOn20(Shape::FilledRoundRect, 0, 0, over + 1, 8, over + 1, 4).empty());
  EXPECT_TRUE(drawOn20(Shape::Arc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MAX).empty());
  // The largest radius still draws: the left end of a flat ellipse.
  EXPECT_EQ(drawOn20(Shape::Arc, 0, 5, 2 * kGfxMaxRadius, 0, 0, 360), rowRun(5, 0, 19));
}

// Every drawn point lies within one pixel (Chebyshev) of the true ellipse of
// its quadrant, here a circle of radius 1000, whose walker terms pass 2^32.
TEST(Curves, LargeCircleStaysOnTheCircle) {
  const int32_t r = 1000;
  TestSurface s(2 * r + 1, 2 * r + 1, 8);
  EXPECT_EQ(kjava_gfx_drawArc(s.get(), nullptr, kInk, 0, 0, 2 * r, 2 * r, 0, 360), 0);
  const Points points = s.drawn();
  ASSERT_GT(points.size(), 4u * r);
  auto f = [&](int64_t dx, int64_t dy) { return dx * dx + dy * dy - int64_t{r} * r; };
  for (const Point& p : points) {
    const int64_t dx = p.first - r;
    const int64_t dy = p.second - r;
    bool inside = false;
    bool outside = false;
    for (int64_t ex = -1; ex <= 1; ++ex)
      for (int64_t ey = -1; ey <= 1; ++ey) {
        inside |= f(dx + ex, dy + ey) <= 0;
        outside |= f(dx + ex, dy + ey) >= 0;
      }
    ASSERT_TRUE(inside && outside) << p.first << "," << p.second;
    EXPECT_TRUE(points.count({2 * r - p.first, p.second}) && points.count({p.second, p.first}))
        << p.first << "," << p.second;
  }
}

TEST(Curves, RefusedTargets) {
  TestSurface s(10, 10);
  s.get()->writable = 0;
  for (Shape shape : {Shape::Arc, Shape::DottedArc, Shape::Pie, Shape::RoundRect,
                      Shape::DottedRoundRect, Shape::FilledRoundRect})
    EXPECT_EQ(draw(shape, s.get(), nullptr, 1, 1, 6, 6, 3, 3), -1);
  EXPECT_TRUE(s.drawn().empty());
}

}  // namespace
