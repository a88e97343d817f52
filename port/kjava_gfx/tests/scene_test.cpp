// Hand-derived checkpoint pixels of each golden scene, asserted apart from
// the golden images so that a golden cannot silently absorb a wrong result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "port/kjava_gfx/jk_gfx_offscreen.h"
#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/tests/gfx_scenes.h"

namespace {

uint16_t colour(uint32_t rgb) { return kjava_gfx_toPixel(0xFF000000u | rgb, 0); }

const uint16_t kBack = colour(0x202020);
const uint16_t kWhite = colour(0xFFFFFF);
const uint16_t kRed = colour(0xFF4040);
const uint16_t kOrange = colour(0xFFA040);
const uint16_t kYellow = colour(0xF0F040);
const uint16_t kGreen = colour(0x40F040);
const uint16_t kCyan = colour(0x40F0F0);
const uint16_t kBlue = colour(0x4080FF);
const uint16_t kViolet = colour(0xB060FF);
const uint16_t kPink = colour(0xFF60C0);
const uint16_t kMarker = colour(0x808080);

struct Check {
  int32_t x, y;
  uint16_t value;
  bool equal;  // false: the pixel must not hold the value
};

class Scene {
 public:
  explicit Scene(const char* name) : surface_(gfxScene_render(name)) {}
  ~Scene() { JkOffScreenDestroy(jkSurface_toHandle(surface_)); }
  uint16_t at(int32_t x, int32_t y) const { return kjava_gfx_getPixel(surface_, x, y); }
  void expect(const std::vector<Check>& checks) const {
    ASSERT_NE(surface_, nullptr);
    for (const Check& c : checks) {
      if (c.equal)
        EXPECT_EQ(at(c.x, c.y), c.value) << c.x << "," << c.y;
      else
        EXPECT_NE(at(c.x, c.y), c.value) << c.x << "," << c.y;
    }
  }

 private:
  JkSurface* surface_;
};

TEST(Scene, Lines) {
  Scene s("lines");
  s.expect({
      {40, 40, kPink, true},       // the star's centre, last written by line 15
      {70, 40, kRed, true},        // line 0 ends at (70, 40)
      {42, 41, kOrange, true},     // line 1: k = 2 gives y 40 + (60 + 30) / 60
      {10, 10, kYellow, true},     // line 10 ends at (10, 10)
      {100, 40, kRed, true},       // line 8 of the clipped star cut at the left edge
      {99, 40, kRed, false},
      {20, 85, kWhite, true}, {21, 86, kWhite, true}, {22, 86, kWhite, true},
      {23, 87, kWhite, true}, {24, 87, kWhite, true}, {25, 88, kWhite, true},
      {26, 88, kWhite, true}, {21, 85, kBack, true},
      {30, 85, kWhite, true}, {31, 86, kBack, true}, {32, 86, kWhite, true},
      {34, 87, kWhite, true}, {36, 88, kWhite, true}, {35, 88, kBack, true},
      {40, 85, kWhite, true}, {40, 86, kWhite, true}, {41, 87, kWhite, true},
      {41, 88, kWhite, true}, {42, 89, kWhite, true}, {42, 90, kWhite, true},
      {43, 91, kWhite, true}, {43, 92, kWhite, true},
      {50, 90, kWhite, true}, {54, 94, kWhite, true}, {49, 89, kWhite, false},
      {50, 89, kBack, true},
  });
  // The two lines whose clipped ends fell outside their clip drew nothing.
  for (int32_t y = 85; y < 95; ++y)
    for (int32_t x = 70; x < 80; ++x)
      EXPECT_EQ(s.at(x, y), kBack) << x << "," << y;
}

TEST(Scene, Rects) {
  Scene s("rects");
  s.expect({
      {10, 10, kRed, true},    {40, 10, kRed, true},     {10, 30, kRed, true},
      {40, 30, kRed, true},    {11, 11, kBack, true},    {50, 10, kOrange, true},
      {51, 10, kBack, true},   {52, 10, kOrange, true},  {90, 10, kYellow, true},
      {119, 29, kYellow, true}, {120, 29, kBack, true},  {119, 30, kBack, true},
      {130, 10, kWhite, true}, {140, 10, kWhite, true},  {141, 10, kBack, true},
      {130, 20, kWhite, true}, {132, 20, kWhite, true},  {131, 21, kWhite, true},
      {131, 20, kBack, true},  {130, 21, kBack, true},   {132, 21, kBack, true},
      {145, 10, kWhite, true}, {146, 10, kBack, true},
      {20, 60, kGreen, true},  {30, 65, kGreen, true},   {19, 60, kGreen, false},
      {20, 65, kBack, true},   {20, 50, kBack, true},
      {100, 60, kBlue, true},  {149, 79, kBlue, true},   {150, 60, kBlue, false},
      {100, 59, kBack, true},
  });
}

TEST(Scene, Triangles) {
  Scene s("triangles");
  s.expect({
      {5, 5, kWhite, true},   {9, 5, kWhite, true},     {8, 6, kWhite, true},
      {9, 6, kBack, true},    {5, 9, kWhite, true},     {6, 9, kBack, true},
      {2, 20, kWhite, true},  {10, 20, kWhite, true},   {11, 20, kBack, true},
      {1, 20, kBack, true},   {7, 25, kWhite, true},    {8, 25, kBack, true},
      {70, 10, kOrange, true}, {120, 20, kOrange, true}, {70, 70, kOrange, true},
      {130, 10, kYellow, true}, {190, 10, kYellow, true}, {160, 50, kYellow, true},
      {129, 10, kBack, true},  {191, 10, kBack, true},
      {30, 80, kCyan, true},   {75, 80, kBack, true},    {30, 81, kBlue, true},
      {90, 81, kViolet, true}, {99, 81, kBlue, true},    {100, 81, kBlue, false},
  });
}

TEST(Scene, Arcs) {
  Scene s("arcs");
  std::vector<Check> checks = {
      {192, 102, kBack, true},   {190, 108, kBack, true},  {192, 108, kBack, true},
      {191, 108, kWhite, true},  {193, 108, kWhite, true}, {190, 110, kWhite, true},
      {194, 110, kWhite, true},  {191, 112, kWhite, true}, {193, 112, kWhite, true},
      {190, 116, kBack, true},   {185, 125, kBack, true},
      // Three quarters: the axis points but the top-right quarter.
      {110, 30, kYellow, true},  {151, 31, kYellow, true}, {130, 10, kYellow, true},
      {131, 10, kBack, true},    {130, 51, kYellow, true}, {131, 51, kYellow, true},
      // First pie (bottom wedge 100..160 screen degrees) over its grey disc.
      {24, 72, kRed, true},      {17, 79, kRed, true},     {31, 79, kMarker, true},
      {24, 62, kMarker, true},
      // The radius-1000 circle's right axis point, inside the clip.
      {235, 40, kGreen, true},     {236, 40, kRed, true},
  };
  for (int32_t x = 191; x <= 193; ++x)
    for (int32_t y : {100, 104})
      checks.push_back({x, y, kWhite, true});
  for (int32_t y = 101; y <= 103; ++y) {
    checks.push_back({190, y, kWhite, true});
    checks.push_back({194, y, kWhite, true});
  }
  for (int32_t y = 116; y <= 120; ++y)
    for (int32_t x = 190; x <= 194; ++x)
      checks.push_back({x, y, kWhite, !((y == 116 || y == 120) && (x == 190 || x == 194))});
  for (int32_t x = 186; x <= 194; ++x) {
    checks.push_back({x, 125, kWhite, true});
    checks.push_back({x, 131, kWhite, true});
  }
  for (int32_t y = 126; y <= 130; ++y) {
    checks.push_back({185, y, kWhite, true});
    checks.push_back({195, y, kWhite, true});
  }
  s.expect(checks);
}

TEST(Scene, Blits) {
  Scene s("blits");
  const uint16_t hole = kjava_gfx_toPixel(0x000000FF, 1);
  s.expect({
      {10, 10, kGreen, true},   {12, 10, kRed, true},     {13, 11, kBack, true},
      {13, 26, hole, true},     {110, 10, kGreen, true},  {118, 10, kGreen, true},
      {112, 11, kGreen, true},  {112, 12, kBack, true},   {118, 12, kRed, true},
      {11, 45, kjava_gfx_toPixel(0x000A0080, 0), true},
      {41, 45, kjava_gfx_toPixel(0x000A0080, 1), true},
      {40, 45, kjava_gfx_toPixel(0xFF000080, 1), true},
      {83, 47, kViolet, true},  {85, 48, kViolet, true},
      {110, 45, kRed, true},    {118, 51, kGreen, true},
  });
}

}  // namespace
