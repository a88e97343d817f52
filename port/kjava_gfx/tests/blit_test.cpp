// ARGB conversion, bulk ARGB reads and writes, plain and region blits.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "port/kjava_gfx/jk_gfx_memory.h"
#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/tests/gfx_test_surface.h"

namespace {

TEST(Argb, Conversions) {
  const struct {
    uint32_t argb;
    uint32_t mode;
    uint16_t pixel;
  } toPixel[] = {
      {0xFFFFFFFF, 1, 0xFFFF}, {0x00FFFFFF, 1, 0xFFDF}, {0x80FF0000, 1, 0xF800},
      {0x80FF0000, 0, 0xF820}, {0x08000000, 1, 0x0020}, {0x0F000000, 1, 0x0020},
      {0xF0000000, 1, 0x0000}, {0xF0000000, 7, 0x0000}, {0x00123456, 0, 0x11AA},
  };
  for (const auto& c : toPixel)
    EXPECT_EQ(kjava_gfx_toPixel(c.argb, c.mode), c.pixel) << std::hex << c.argb << " " << c.mode;
  EXPECT_EQ(kjava_gfx_toARGB(0xFFFF), 0x08F8F8F8u);
  EXPECT_EQ(kjava_gfx_toARGB(0), 0u);
  EXPECT_EQ(kjava_gfx_toARGB(0xFFDF), 0x00F8F8F8u);
  for (uint32_t p = 0; p <= 0xFFFF; ++p)
    ASSERT_EQ(kjava_gfx_toPixel(kjava_gfx_toARGB(uint16_t(p)), 1), p) << p;
}

TEST(Argb, WriteConvertsEveryVisibleWordInBothModes) {
  TestSurface s(6, 5);
  const ClipRect clip{1, 1, 4, 3};
  const uint32_t argb[] = {0xFFFF0000, 0x0000FF00, 0x080000FF,   // row 0 (above the clip)
                           0x00FFFFFF, 0xFF000000, 0x08F8F8F8};  // row 1
  EXPECT_EQ(kjava_gfx_writeARGB(s.get(), &clip, -1, 0, argb, 3, 2, 1), 0);
  // Visible: row 1, columns 1 (argb index 5) only; x -1 and 0 are left of the clip.
  EXPECT_EQ(s.at(1, 1), kjava_gfx_toPixel(0x08F8F8F8, 1));
  EXPECT_EQ(s.at(0, 1), kBackground);
  EXPECT_EQ(s.at(1, 0), kBackground);
  EXPECT_EQ(kjava_gfx_writeARGB(s.get(), nullptr, 3, 3, argb, 3, 2, 1), 0);
  EXPECT_EQ(s.at(3, 3), 0xF820);  // alpha 0xFF: bit 27 set
  EXPECT_EQ(s.at(4, 3), 0x07C0);  // alpha 0x00: transparent
  EXPECT_EQ(s.at(4, 4), 0x0020);  // black, alpha 0xFF
  EXPECT_EQ(s.at(5, 4), 0xFFFF);  // alpha 0x08
  EXPECT_EQ(kjava_gfx_writeARGB(s.get(), nullptr, 0, 0, argb, 3, 2, 0), 0);
  EXPECT_EQ(s.at(1, 0), 0x07E0);  // opaque whatever the alpha
  EXPECT_EQ(s.at(0, 1), 0xFFFF);
  EXPECT_EQ(kjava_gfx_writeARGB(s.get(), nullptr, 0, 0, nullptr, 3, 2, 0), -1);
  s.get()->writable = 0;
  EXPECT_EQ(kjava_gfx_writeARGB(s.get(), nullptr, 0, 0, argb, 3, 2, 0), -1);
}

TEST(Argb, WriteOfEmptyOrFarRectanglesTouchesNothing) {
  TestSurface s(6, 5);
  const uint32_t argb[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
  const struct {
    int32_t x, y, w, h;
  } cases[] = {{0, 0, 0, 2}, {0, 0, 2, -1}, {6, 0, 2, 2}, {-2, 0, 2, 2}, {INT_MAX, 0, 2, 2}};
  for (const auto& c : cases)
    EXPECT_EQ(kjava_gfx_writeARGB(s.get(), nullptr, c.x, c.y, argb, c.w, c.h, 0), 0);
  EXPECT_TRUE(s.drawn().empty());
}

TEST(Argb, ReadIsLimitedToTheSurface) {
  TestSurface s(3, 2);
  s.set(0, 0, 0xFFFF);
  s.set(2, 1, 0xF800);
  std::vector<uint32_t> out(20, 0xDEADBEEF);
  // Rectangle (-1,-1) 5 x 4, scan 5: surface pixel (sx, sy) at (sy + 1) * 5 + sx + 1.
  EXPECT_EQ(kjava_gfx_readARGB(out.data(), 5, s.get(), -1, -1, 5, 4), 0);
  for (int32_t i = 0; i < 20; ++i) {
    const int32_t sx = i % 5 - 1;
    const int32_t sy = i / 5 - 1;
    const bool inside = sx >= 0 && sx < 3 && sy >= 0 && sy < 2;
    const uint32_t expected = inside ? kjava_gfx_toARGB(s.at(sx, sy)) : 0xDEADBEEF;
    EXPECT_EQ(out[i], expected) << i;
  }
  EXPECT_EQ(out[6], 0x08F8F8F8u);
  EXPECT_EQ(out[13], 0x00F80000u);  // 0xF800 has no opaque bit
  EXPECT_EQ(kjava_gfx_readARGB(out.data(), 2, s.get(), 0, 0, 3, 1), -1);
  EXPECT_EQ(kjava_gfx_readARGB(out.data(), 5, s.get(), 0, 0, -1, 1), -1);
  EXPECT_EQ(kjava_gfx_readARGB(out.data(), 5, s.get(), 0, 0, 1, -1), -1);
  EXPECT_EQ(kjava_gfx_readARGB(out.data(), 5, nullptr, 0, 0, 1, 1), -1);
}

// A 3 x 2 region "abc/def" inside a 5 x 4 source at (1, 1).
class Region : public testing::Test {
 protected:
  void SetUp() override {
    source_.fill(0x0001);
    const char* rows[] = {"abc", "def"};
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 3; ++x)
        source_.set(1 + x, 1 + y, code(rows[y][x]));
  }
  static uint16_t code(char c) { return uint16_t(0x0020 | (c - 'a' + 1) << 11); }
  // The destination rectangle at (2, 3) read back as letters, '.' elsewhere.
  static std::string letters(const TestSurface& s, int32_t w, int32_t h) {
    std::string text;
    for (int32_t y = 0; y < h; ++y) {
      if (y > 0)
        text += '/';
      for (int32_t x = 0; x < w; ++x) {
        const uint16_t v = s.at(2 + x, 3 + y);
        text += v == kBackground ? '.' : char('a' - 1 + (v >> 11));
      }
    }
    return text;
  }
  TestSurface source_{5, 4};
};

TEST_F(Region, EightTransforms) {
  const char* expected[8] = {"abc/def", "def/abc", "cba/fed", "fed/cba",
                             "ad/be/cf", "da/eb/fc", "cf/be/ad", "fc/eb/da"};
  for (int32_t t = 0; t < 8; ++t) {
    TestSurface dst(10, 10);
    EXPECT_EQ(kjava_gfx_blitRegion(dst.get(), nullptr, 2, 3, source_.get(), 1, 1, 3, 2, t), 0);
    const bool swap = t >= 4;
    EXPECT_EQ(letters(dst, swap ? 2 : 3, swap ? 3 : 2), expected[t]) << t;
    int32_t changed = 0;
    for (int32_t y = 0; y < 10; ++y)
      for (int32_t x = 0; x < 10; ++x)
        changed += dst.at(x, y) != kBackground;
    EXPECT_EQ(changed, 6) << t;
  }
}

TEST_F(Region, TransparentPixelsLeaveTheDestination) {
  source_.set(2, 1, 0x0800 | 0x0000);  // "b" without the opaque bit
  source_.get()->transparent = 1;
  TestSurface dst(10, 10);
  EXPECT_EQ(kjava_gfx_blitRegion(dst.get(), nullptr, 2, 3, source_.get(), 1, 1, 3, 2, 0), 0);
  EXPECT_EQ(letters(dst, 3, 2), "a.c/def");
  TestSurface plain(10, 10);
  EXPECT_EQ(kjava_gfx_blit(plain.get(), nullptr, 1, 2, source_.get()), 0);
  EXPECT_EQ(letters(plain, 3, 2), "a.c/def");
  EXPECT_EQ(plain.at(1, 2), kBackground);
}

TEST_F(Region, ClippedPlacementsStartInsideTheRegion) {
  TestSurface dst(10, 10);
  const ClipRect clip{3, 4, 5, 5};
  EXPECT_EQ(kjava_gfx_blitRegion(dst.get(), &clip, 2, 3, source_.get(), 1, 1, 3, 2, 0), 0);
  EXPECT_EQ(letters(dst, 3, 2), ".../.ef");
  TestSurface rotated(10, 10);
  EXPECT_EQ(kjava_gfx_blitRegion(rotated.get(), &clip, 2, 3, source_.get(), 1, 1, 3, 2, 5), 0);
  EXPECT_EQ(letters(rotated, 2, 3), "../.b/.c");
  TestSurface plain(10, 10);
  EXPECT_EQ(kjava_gfx_blit(plain.get(), &clip, 1, 2, source_.get()), 0);
  EXPECT_EQ(letters(plain, 3, 2), ".../.ef");
}

TEST_F(Region, ArgumentErrors) {
  TestSurface dst(10, 10);
  JkSurface* src = source_.get();
  const struct {
    int32_t sx, sy, sw, sh, transform, result;
  } cases[] = {
      {3, 0, 3, 1, 0, -1},        {0, 2, 1, 3, 0, -1},      {-1, 0, 1, 1, 0, -1},
      {0, -1, 1, 1, 0, -1},       {INT_MAX, 0, 10, 1, 0, -1}, {0, INT_MAX, 1, 10, 0, -1},
      {0, 0, 1, 1, 8, -1},        {0, 0, 1, 1, -1, -1},     {0, 0, 0, 2, 0, 0},
      {0, 0, 2, 0, 5, 0},         {0, 0, -4, 2, 0, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(kjava_gfx_blitRegion(dst.get(), nullptr, 0, 0, src, c.sx, c.sy, c.sw, c.sh,
                                   c.transform),
              c.result)
        << c.sx << " " << c.sy << " " << c.sw << " " << c.sh << " " << c.transform;
  EXPECT_EQ(kjava_gfx_blitRegion(dst.get(), nullptr, 0, 0, nullptr, 0, 0, 1, 1, 0), -1);
  EXPECT_EQ(kjava_gfx_blit(dst.get(), nullptr, 0, 0, nullptr), -1);
  EXPECT_TRUE(dst.drawn().empty());
  dst.get()->writable = 0;
  EXPECT_EQ(kjava_gfx_blitRegion(dst.get(), nullptr, 0, 0, src, 0, 0, 1, 1, 0), -1);
  EXPECT_EQ(kjava_gfx_blit(dst.get(), nullptr, 0, 0, src), -1);
}

// A self blit must equal a blit from a copy of the surface taken before it.
TEST(SelfBlit, EqualsABlitFromACopy) {
  const int32_t shifts[][2] = {{3, 2}, {-3, 2}, {3, -2}, {-3, -2}, {0, 0}, {1, 0}};
  for (bool transparent : {false, true}) {
    for (int32_t t = 0; t < 8; ++t) {
      for (const auto& shift : shifts) {
        TestSurface self(12, 9);
        TestSurface copy(12, 9);
        TestSurface expected(12, 9);
        for (TestSurface* s : {&self, &copy, &expected})
          s->fillPattern(7);
        self.get()->transparent = copy.get()->transparent = transparent ? 1 : 0;
        const ClipRect clip{1, 1, 10, 7};
        const int32_t x = 2 + shift[0];
        const int32_t y = 2 + shift[1];
        EXPECT_EQ(kjava_gfx_blitRegion(self.get(), &clip, x, y, self.get(), 2, 2, 6, 4, t), 0);
        EXPECT_EQ(kjava_gfx_blitRegion(expected.get(), &clip, x, y, copy.get(), 2, 2, 6, 4, t), 0);
        EXPECT_EQ(self.block(), expected.block()) << t << " " << shift[0] << "," << shift[1];
        if (t == 0) {
          TestSurface whole(12, 9);
          whole.fillPattern(7);
          whole.get()->transparent = copy.get()->transparent;
          TestSurface wholeExpected(12, 9);
          wholeExpected.fillPattern(7);
          EXPECT_EQ(kjava_gfx_blit(whole.get(), &clip, shift[0], shift[1], whole.get()), 0);
          EXPECT_EQ(kjava_gfx_blit(wholeExpected.get(), &clip, shift[0], shift[1], copy.get()), 0);
          EXPECT_EQ(whole.block(), wholeExpected.block()) << shift[0] << "," << shift[1];
        }
      }
    }
  }
}

TEST(SelfBlit, TransformedWithoutMemoryDrawsNothing) {
  TestSurface s(12, 9);
  s.fillPattern(3);
  const std::vector<uint16_t> before = s.block();
  const uint32_t live = jkGfx_liveBlocks();
  jkGfx_failAllocation(1);
  EXPECT_EQ(kjava_gfx_blitRegion(s.get(), nullptr, 1, 1, s.get(), 0, 0, 6, 4, TRANS_ROT90), -1);
  jkGfx_failAllocation(0);
  EXPECT_EQ(s.block(), before);
  EXPECT_EQ(jkGfx_liveBlocks(), live);
}

}  // namespace
