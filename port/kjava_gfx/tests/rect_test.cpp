// Rectangle outlines, dotted outlines and filled rectangles.
#include <gtest/gtest.h>

#include <climits>

#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/tests/gfx_test_surface.h"

namespace {

enum class Kind { Outline, Dotted, Fill };

struct RectCase {
  const char* name;
  Kind kind;
  ClipRect clip;  // width 0: no clip
  int32_t x, y, w, h;
  Points expected;
};

int32_t draw(Kind kind, JkSurface* s, const ClipRect* clip, int32_t x, int32_t y, int32_t w,
             int32_t h) {
  switch (kind) {
    case Kind::Outline:
      return kjava_gfx_drawRect(s, clip, kInk, x, y, w, h);
    case Kind::Dotted:
      return kjava_gfx_drawRectDotted(s, clip, kInk, x, y, w, h);
    case Kind::Fill:
      break;
  }
  return kjava_gfx_fillRect(s, clip, kInk, x, y, w, h);
}

Points box(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  Points p;
  for (int32_t y = y0; y <= y1; ++y)
    for (int32_t x = x0; x <= x1; ++x)
      p.insert({x, y});
  return p;
}

TEST(Rect, Table) {
  const RectCase cases[] = {
      {"flat outline", Kind::Outline, {}, 2, 3, 10, 0, rowRun(3, 2, 12)},
      {"negative width", Kind::Outline, {}, 2, 3, -1, 4, {}},
      {"single pixel outline", Kind::Outline, {}, 7, 7, 0, 0, {{7, 7}}},
      {"outline", Kind::Outline, {}, 2, 2, 4, 3,
       unite({rowRun(2, 2, 6), rowRun(5, 2, 6), columnRun(2, 2, 5), columnRun(6, 2, 5)})},
      {"outline without its clipped left side", Kind::Outline, {4, 0, 16, 20}, 2, 2, 4, 3,
       unite({rowRun(2, 4, 6), rowRun(5, 4, 6), columnRun(6, 2, 5)})},
      {"outline around the clip", Kind::Outline, {5, 5, 5, 5}, 0, 0, 19, 19, {}},
      {"outline at the extremes", Kind::Outline, {}, -1, -1, INT_MAX, INT_MAX, {}},
      {"outline past both sides", Kind::Outline, {}, -5, 4, INT_MAX, 2,
       unite({rowRun(4, 0, 19), rowRun(6, 0, 19)})},
      {"dotted 2 x 1", Kind::Dotted, {}, 3, 4, 2, 1, {{3, 4}, {5, 4}, {4, 5}}},
      {"dotted 3 x 2", Kind::Dotted, {}, 1, 1, 3, 2, {{1, 1}, {3, 1}, {4, 2}, {3, 3}, {1, 3}}},
      {"dotted flat", Kind::Dotted, {}, 0, 0, 4, 0, {{0, 0}, {2, 0}, {4, 0}}},
      {"fill", Kind::Fill, {}, 1, 2, 3, 2, box(1, 2, 3, 3)},
      {"fill of width 0", Kind::Fill, {}, 1, 2, 0, 2, {}},
      {"fill of one pixel", Kind::Fill, {}, 9, 9, 1, 1, {{9, 9}}},
      {"fill clipped", Kind::Fill, {2, 3, 4, 5}, 0, 0, 20, 20, box(2, 3, 5, 7)},
      {"fill from the extremes", Kind::Fill, {}, INT_MIN, INT_MIN, INT_MAX, INT_MAX, {}},
      {"fill past the extremes", Kind::Fill, {}, -5, -5, INT_MAX, INT_MAX, box(0, 0, 19, 19)},
  };
  for (const RectCase& c : cases) {
    TestSurface s(20, 20);
    const ClipRect* clip = c.clip.width != 0 ? &c.clip : nullptr;
    EXPECT_EQ(draw(c.kind, s.get(), clip, c.x, c.y, c.w, c.h), 0) << c.name;
    EXPECT_EQ(s.drawn(), c.expected) << c.name;
  }
}

TEST(Rect, WideFillsAreExactForEveryColourRowWidth) {
  // Spans below and above the one-by-one limit, the doubling steps and the
  // 512-pixel blocks of the colour row.
  for (int32_t width : {8, 9, 63, 64, 65, 100, 511, 512, 513, 1000, 1025}) {
    TestSurface s(1100, 4);
    EXPECT_EQ(kjava_gfx_fillRect(s.get(), nullptr, kInk, 50, 0, width, 3), 0);
    EXPECT_EQ(s.drawn(), unite({rowRun(0, 50, 49 + width), rowRun(1, 50, 49 + width),
                                rowRun(2, 50, 49 + width)}))
        << width;
  }
}

TEST(Rect, RefusedAndEmptyTargets) {
  TestSurface s(10, 10);
  s.get()->writable = 0;
  for (Kind kind : {Kind::Outline, Kind::Dotted, Kind::Fill})
    EXPECT_EQ(draw(kind, s.get(), nullptr, 1, 1, 5, 5), -1);
  s.get()->writable = 1;
  const ClipRect empty{0, 0, 10, 0};
  for (Kind kind : {Kind::Outline, Kind::Dotted, Kind::Fill})
    EXPECT_EQ(draw(kind, s.get(), &empty, 1, 1, 5, 5), 0);
  EXPECT_TRUE(s.drawn().empty());
}

struct TriangleCase {
  const char* name;
  ClipRect clip;  // width 0: no clip
  int32_t xs[3];
  int32_t ys[3];
  std::vector<std::pair<int32_t, int32_t>> rows;  // x0..x1 of rows from firstRow on
  int32_t firstRow;
};

TEST(Triangle, Table) {
  const TriangleCase cases[] = {
      {"right angle", {}, {0, 4, 0}, {0, 0, 4}, {{0, 4}, {0, 3}, {0, 2}, {0, 1}, {0, 0}}, 0},
      {"one row", {}, {7, 2, 12}, {5, 5, 5}, {{2, 12}}, 5},
      {"one point", {}, {3, 3, 3}, {3, 3, 3}, {{3, 3}}, 3},
      {"top vertex above the surface", {}, {0, 0, 8}, {-4, 4, 4},
       {{0, 4}, {0, 5}, {0, 6}, {0, 7}, {0, 8}}, 0},
      // A shallow upper edge hands over to the lower edge at the middle row:
      // the row below it is not filled out to the middle vertex.
      {"shallow upper edge", {}, {0, 10, 0}, {0, 2, 6},
       {{0, 2}, {0, 7}, {0, 10}, {0, 8}, {0, 6}, {0, 3}, {0, 1}}, 0},
      {"clipped on all sides", {2, 1, 3, 2}, {0, 19, 0}, {0, 0, 19}, {{2, 4}, {2, 4}}, 1},
      {"upper edge wholly above the clip", {0, 5, 20, 15}, {0, 6, 0}, {0, 2, 8},
       {{0, 3}, {0, 2}, {0, 1}, {0, 0}}, 5},
  };
  for (const TriangleCase& c : cases) {
    TestSurface s(20, 20);
    const ClipRect* clip = c.clip.width != 0 ? &c.clip : nullptr;
    EXPECT_EQ(kjava_gfx_fillTriangle(s.get(), clip, kInk, c.xs, c.ys), 0) << c.name;
    Points expected;
    for (size_t i = 0; i < c.rows.size(); ++i) {
      const Points run = rowRun(c.firstRow + int32_t(i), c.rows[i].first, c.rows[i].second);
      expected.insert(run.begin(), run.end());
    }
    EXPECT_EQ(s.drawn(), expected) << c.name;
  }
}

TEST(Triangle, ExtremeVerticesTakeOnlyTheVisibleRows) {
  // Its shallow edges would be walked 2^32 columns long pixel by pixel.
  TestSurface s(20, 20);
  const int32_t xs[3] = {INT32_MIN, INT32_MAX, 0};
  const int32_t ys[3] = {50, 51, 200};
  EXPECT_EQ(kjava_gfx_fillTriangle(s.get(), nullptr, kInk, xs, ys), 0);
  EXPECT_TRUE(s.drawn().empty());
  const int32_t wide[3] = {INT32_MIN, INT32_MAX, 0};
  const int32_t rows[3] = {-1, 0, 1};
  EXPECT_EQ(kjava_gfx_fillTriangle(s.get(), nullptr, kInk, wide, rows), 0);
  // Both shallow edges run half their width along each of the two rows.
  EXPECT_EQ(s.drawn(), unite({rowRun(0, 0, 19), rowRun(1, 0, 19)}));
}

TEST(Triangle, RefusedTarget) {
  TestSurface s(10, 10);
  s.get()->writable = 0;
  const int32_t xs[3] = {0, 5, 0};
  const int32_t ys[3] = {0, 0, 5};
  EXPECT_EQ(kjava_gfx_fillTriangle(s.get(), nullptr, kInk, xs, ys), -1);
  EXPECT_TRUE(s.drawn().empty());
}

}  // namespace
