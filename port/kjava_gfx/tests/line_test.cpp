// Lines: exact pixel sets on fresh surfaces, clipping, dotting and the
// clipped end points that truncation carries across a clip edge.
#include <gtest/gtest.h>

#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/tests/gfx_test_surface.h"

namespace {

struct LineCase {
  const char* name;
  int32_t size;
  bool dotted;
  ClipRect clip;  // width 0: no clip
  int32_t x1, y1, x2, y2;
  Points expected;
};

Points diagonal(int32_t x0, int32_t y0, int32_t n) {
  Points p;
  for (int32_t i = 0; i < n; ++i)
    p.insert({x0 + i, y0 + i});
  return p;
}

TEST(Line, Table) {
  const LineCase cases[] = {
      {"single point", 10, false, {}, 5, 5, 5, 5, {{5, 5}}},
      {"horizontal right to left", 20, false, {}, 10, 2, 2, 2, rowRun(2, 2, 10)},
      {"vertical bottom to top", 10, false, {}, 3, 8, 3, 1, columnRun(3, 1, 8)},
      {"shallow", 10, false, {}, 0, 0, 6, 3,
       {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {6, 3}}},
      {"shallow dotted", 10, true, {}, 0, 0, 6, 3, {{0, 0}, {2, 1}, {4, 2}, {6, 3}}},
      {"shallow reversed", 10, false, {}, 6, 3, 0, 0,
       {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {6, 3}}},
      {"steep", 10, false, {}, 0, 0, 3, 7,
       {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}, {3, 6}, {3, 7}}},
      {"rising", 10, false, {}, 0, 3, 6, 0,
       {{0, 3}, {1, 2}, {2, 2}, {3, 1}, {4, 1}, {5, 0}, {6, 0}}},
      {"clipped left and bottom", 10, false, {}, -5, 0, 5, 10, diagonal(0, 5, 5)},
      {"clipped right", 10, false, {}, 0, 0, 20, 3, unite({rowRun(0, 0, 4), rowRun(1, 5, 9)})},
      {"dotted horizontal", 10, true, {}, 0, 0, 5, 0, {{0, 0}, {2, 0}, {4, 0}}},
      {"dotted horizontal from clip", 10, true, {1, 0, 9, 10}, 0, 0, 5, 0,
       {{1, 0}, {3, 0}, {5, 0}}},
      {"dotted vertical from the upper end", 10, true, {}, 4, 6, 4, 0,
       {{4, 0}, {4, 2}, {4, 4}, {4, 6}}},
      {"outcodes share a bit", 10, false, {}, -3, -1, 20, -5, {}},
      {"leaves the clip rows before the left edge", 10, false, {}, -10, 5, 10, -15, {}},
      {"vertical outside", 10, false, {}, 10, 0, 10, 9, {}},
      {"horizontal outside", 10, false, {2, 2, 5, 5}, 0, 1, 9, 1, {}},
      {"inside a clip", 10, false, {2, 2, 5, 5}, 0, 0, 9, 9, diagonal(2, 2, 5)},
      // Truncation carries these clipped end points across the clip edge:
      // (29,0) and (12,9) would land in row 2 and past the buffer.
      {"carried past the right edge", 10, false, {}, 29, 0, 0, -1, {}},
      {"carried past the buffer end", 10, false, {}, -7, 12, 26, 7, {}},
      {"extreme coordinates", 10, false, {}, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX,
       diagonal(0, 0, 10)},
  };
  for (const LineCase& c : cases) {
    TestSurface s(c.size, c.size);
    const ClipRect* clip = c.clip.width != 0 ? &c.clip : nullptr;
    const int32_t result =
        c.dotted ? kjava_gfx_drawLineDotted(s.get(), clip, kInk, c.x1, c.y1, c.x2, c.y2)
                 : kjava_gfx_drawLine(s.get(), clip, kInk, c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(result, 0) << c.name;
    EXPECT_EQ(s.drawn(), c.expected) << c.name;
  }
}

TEST(Line, RefusedAndEmptyTargets) {
  TestSurface s(10, 10);
  s.get()->writable = 0;
  EXPECT_EQ(kjava_gfx_drawLine(s.get(), nullptr, kInk, 0, 0, 9, 9), -1);
  EXPECT_EQ(kjava_gfx_drawLineDotted(s.get(), nullptr, kInk, 0, 0, 9, 9), -1);
  s.get()->writable = 1;
  const ClipRect empty{3, 3, 0, 5};
  EXPECT_EQ(kjava_gfx_drawLine(s.get(), &empty, kInk, 0, 0, 9, 9), 0);
  const ClipRect outside{20, 0, 5, 5};
  EXPECT_EQ(kjava_gfx_drawLine(s.get(), &outside, kInk, 0, 0, 9, 9), 0);
  EXPECT_TRUE(s.drawn().empty());
}

TEST(Line, NoSurfaceMeansTheVirtualScreenWhichIsNotYetWritable) {
  EXPECT_EQ(kjava_gfx_drawLine(nullptr, nullptr, kInk, 0, 0, 9, 9), -1);
  EXPECT_EQ(kjava_gfx_getPixel(nullptr, 0, 0), 0);
  const JkSurface* screen = kjava_gfx_getVirtualScreenSurface();
  EXPECT_EQ(screen->writable, 0u);
  EXPECT_EQ(screen->width, 0);
}

TEST(Pixel, ReadsInsideAndAnswersZeroOutside) {
  TestSurface s(4, 3);
  s.set(3, 2, 0xABCD);
  EXPECT_EQ(kjava_gfx_getPixel(s.get(), 3, 2), 0xABCD);
  EXPECT_EQ(kjava_gfx_getPixel(s.get(), 0, 0), kBackground);
  for (auto [x, y] : {Point{-1, 0}, Point{4, 0}, Point{0, 3}, Point{0, -1}, Point{INT32_MIN, 0}})
    EXPECT_EQ(kjava_gfx_getPixel(s.get(), x, y), 0) << x << "," << y;
}

}  // namespace
