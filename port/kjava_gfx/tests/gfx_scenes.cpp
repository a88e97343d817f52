// The scenes (see gfx_scenes.h). Each draws on a grey opaque background;
// dotted grey outlines mark the clip rectangles just outside them.
#include "port/kjava_gfx/tests/gfx_scenes.h"

#include <climits>
#include <cstring>

#include "port/kjava_gfx/jk_gfx_offscreen.h"
#include "port/kjava_gfx/kjava_gfx.h"

namespace {

uint16_t colour(uint32_t rgb) { return kjava_gfx_toPixel(0xFF000000u | rgb, 0); }

const uint16_t kPalette[8] = {colour(0xFF4040), colour(0xFFA040), colour(0xF0F040),
                              colour(0x40F040), colour(0x40F0F0), colour(0x4080FF),
                              colour(0xB060FF), colour(0xFF60C0)};
const uint16_t kWhite = colour(0xFFFFFF);
const uint16_t kMarker = colour(0x808080);

void background(JkSurface* s) {
  kjava_gfx_fillRect(s, nullptr, colour(0x202020), 0, 0, s->width, s->height);
}

// A dotted frame one pixel outside the clip.
void frame(JkSurface* s, const ClipRect& c) {
  kjava_gfx_drawRectDotted(s, nullptr, kMarker, c.x - 1, c.y - 1, c.width + 1, c.height + 1);
}

// 16 lines from (cx, cy) to the border of a square of half side r: every
// octant and the axes.
void star(JkSurface* s, const ClipRect* clip, int32_t cx, int32_t cy, int32_t r, bool dotted) {
  const int32_t h = r / 2;
  const int32_t ends[16][2] = {{r, 0},  {r, h},  {r, r},  {h, r},  {0, r},   {-h, r},
                               {-r, r}, {-r, h}, {-r, 0}, {-r, -h}, {-r, -r}, {-h, -r},
                               {0, -r}, {h, -r}, {r, -r}, {r, -h}};
  for (int i = 0; i < 16; ++i) {
    const uint16_t ink = kPalette[i % 8];
    if (dotted)
      kjava_gfx_drawLineDotted(s, clip, ink, cx, cy, cx + ends[i][0], cy + ends[i][1]);
    else
      kjava_gfx_drawLine(s, clip, ink, cx, cy, cx + ends[i][0], cy + ends[i][1]);
  }
}

void lines(JkSurface* s) {
  background(s);
  star(s, nullptr, 40, 40, 30, false);
  const ClipRect clip{100, 20, 40, 40};
  frame(s, clip);
  star(s, &clip, 120, 40, 30, false);
  star(s, nullptr, 170, 40, 20, true);
  // The line tables at (20, 85): shallow, dotted shallow, steep, a line
  // clipped on the left and bottom, and the two lines whose clipped ends
  // truncation carries outside their 10 x 10 clip (they draw nothing).
  kjava_gfx_drawLine(s, nullptr, kWhite, 20, 85, 26, 88);
  kjava_gfx_drawLineDotted(s, nullptr, kWhite, 30, 85, 36, 88);
  kjava_gfx_drawLine(s, nullptr, kWhite, 40, 85, 43, 92);
  const ClipRect small{50, 85, 10, 10};
  frame(s, small);
  kjava_gfx_drawLine(s, &small, kWhite, 45, 85, 55, 95);
  const ClipRect faults{70, 85, 10, 10};
  frame(s, faults);
  kjava_gfx_drawLine(s, &faults, kWhite, 99, 85, 70, 84);
  kjava_gfx_drawLine(s, &faults, kWhite, 63, 97, 96, 92);
  // Lines from the int32 extremes through a clip.
  const ClipRect far{100, 80, 30, 30};
  frame(s, far);
  kjava_gfx_drawLine(s, &far, kPalette[3], INT_MIN, 80, INT_MAX, 110);
  kjava_gfx_drawLine(s, &far, kPalette[5], 100, INT_MIN, 129, INT_MAX);
  kjava_gfx_drawLine(s, &far, kPalette[1], INT_MIN, INT_MIN + 1000, INT_MAX, INT_MAX - 1000);
}

void rects(JkSurface* s) {
  background(s);
  kjava_gfx_drawRect(s, nullptr, kPalette[0], 10, 10, 30, 20);
  kjava_gfx_drawRectDotted(s, nullptr, kPalette[1], 50, 10, 30, 20);
  kjava_gfx_fillRect(s, nullptr, kPalette[2], 90, 10, 30, 20);
  kjava_gfx_drawRect(s, nullptr, kWhite, 130, 10, 10, 0);        // a line of 11
  kjava_gfx_drawRect(s, nullptr, kWhite, 130, 14, -1, 5);        // nothing
  kjava_gfx_drawRectDotted(s, nullptr, kWhite, 130, 20, 2, 1);   // 3 dots
  kjava_gfx_fillRect(s, nullptr, kWhite, 145, 10, 1, 1);         // one pixel
  // One clip, shapes across each of its edges and corners.
  const ClipRect clip{20, 50, 60, 40};
  frame(s, clip);
  kjava_gfx_drawRect(s, &clip, kPalette[3], 10, 60, 20, 10);     // left edge
  kjava_gfx_drawRect(s, &clip, kPalette[4], 70, 55, 20, 10);     // right edge
  kjava_gfx_drawRectDotted(s, &clip, kPalette[5], 40, 45, 10, 10);  // top edge
  kjava_gfx_drawRectDotted(s, &clip, kPalette[6], 40, 85, 10, 10);  // bottom edge
  kjava_gfx_fillRect(s, &clip, kPalette[7], 70, 80, 20, 20);     // bottom-right corner
  kjava_gfx_fillRect(s, &clip, kPalette[1], INT_MIN, INT_MIN, INT_MAX, INT_MAX);  // nothing
  kjava_gfx_drawRect(s, &clip, kPalette[0], 15, 45, 70, 50);     // around the clip
  // A wide fill from the colour row's 512-pixel blocks, clipped.
  const ClipRect band{100, 50, 50, 40};
  frame(s, band);
  kjava_gfx_fillRect(s, &band, kPalette[5], -1000, 60, 2000, 20);
}

void triangles(JkSurface* s) {
  background(s);
  auto tri = [&](const ClipRect* clip, uint16_t ink, int32_t x0, int32_t y0, int32_t x1,
                 int32_t y1, int32_t x2, int32_t y2) {
    const int32_t xs[3] = {x0, x1, x2};
    const int32_t ys[3] = {y0, y1, y2};
    kjava_gfx_fillTriangle(s, clip, ink, xs, ys);
  };
  tri(nullptr, kWhite, 5, 5, 9, 5, 5, 9);                          // rows 5..9 at 5..9-r
  tri(nullptr, kPalette[0], 15, 10, 65, 20, 25, 60);
  tri(nullptr, kPalette[1], 70, 10, 120, 20, 70, 70);             // shallow upper edge
  tri(nullptr, kPalette[2], 130, 10, 190, 10, 160, 50);           // flat top
  tri(nullptr, kPalette[3], 130, 90, 190, 90, 160, 55);           // flat bottom
  tri(nullptr, kWhite, 5, 20, 10, 20, 2, 20);                     // one row
  tri(nullptr, kWhite, 7, 25, 7, 25, 7, 25);                      // one pixel
  const ClipRect clip{20, 75, 80, 40};
  frame(s, clip);
  tri(&clip, kPalette[4], 10, 60, 110, 95, 30, 130);              // crosses every edge
  tri(&clip, kPalette[5], INT_MIN, 80, INT_MAX, 82, 60, 110);     // extreme, shallow
  tri(&clip, kPalette[6], 90, -100000, 95, 100000, 85, 100000);   // far above and below
}

void arcs(JkSurface* s) {
  background(s);
  kjava_gfx_drawArc(s, nullptr, kPalette[0], 10, 10, 40, 30, 0, 360);
  kjava_gfx_drawArcDotted(s, nullptr, kPalette[1], 60, 10, 40, 30, 0, 360);
  kjava_gfx_drawArc(s, nullptr, kPalette[2], 110, 10, 41, 41, 90, 270);   // three quarters
  kjava_gfx_drawArc(s, nullptr, kPalette[3], 160, 10, 30, 20, 30, 120);   // partial
  kjava_gfx_drawArcDotted(s, nullptr, kPalette[4], 160, 35, 30, 20, 200, -100);
  // The six pie fill cases: (start, extent) giving screen angles s..e.
  const int32_t pies[6][2] = {{200, 60}, {320, 300}, {135, 180},
                              {320, 100}, {40, 120}, {180, 340}};
  for (int i = 0; i < 6; ++i) {
    const int32_t x = 10 + 32 * i;
    kjava_gfx_fillArc(s, nullptr, kMarker, x, 60, 29, 25, 0, 360);
    kjava_gfx_fillArc(s, nullptr, kPalette[i], x, 60, 29, 25, pies[i][0], pies[i][1]);
  }
  kjava_gfx_drawRoundRect(s, nullptr, kPalette[5], 10, 100, 50, 40, 20, 16);
  kjava_gfx_drawRoundRectDotted(s, nullptr, kPalette[6], 70, 100, 50, 40, 20, 16);
  kjava_gfx_fillRoundRect(s, nullptr, kPalette[7], 130, 100, 50, 40, 21, 17);
  // The arc tables at x 190: a 4 x 4 ellipse, its dotted twin, a 5 x 5 disc,
  // and the 10 x 6 rounded rectangle.
  kjava_gfx_drawArc(s, nullptr, kWhite, 190, 100, 4, 4, 0, 360);
  kjava_gfx_drawArcDotted(s, nullptr, kWhite, 190, 108, 4, 4, 0, 360);
  kjava_gfx_fillArc(s, nullptr, kWhite, 190, 116, 5, 5, 0, 360);
  kjava_gfx_drawRoundRect(s, nullptr, kWhite, 185, 125, 10, 6, 4, 4);
  // An ellipse cut by every clip edge, filled and outlined, and the right
  // end of a circle of radius 1000 (its walker terms pass 32 bits).
  const ClipRect clip{200, 10, 40, 60};
  frame(s, clip);
  kjava_gfx_fillArc(s, &clip, kPalette[0], 195, 5, 50, 70, 0, 360);
  kjava_gfx_drawArc(s, &clip, kWhite, 195, 5, 50, 70, 0, 360);
  kjava_gfx_drawArc(s, &clip, kPalette[3], 235 - 2000, 40 - 1000, 2000, 2000, 0, 360);
}

// A 7 x 9 sprite shaped like an "F" on a flag pole, with transparent pixels.
void sprite(JkSurface* s, bool transparent) {
  const char* rows[9] = {"##xxxxx", "##x....", "##xxx..", "##x....", "##x....",
                         "##.....", "##.....", "##.....", "#######"};
  const uint16_t hole = kjava_gfx_toPixel(0x000000FF, 1);  // transparent blue
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 7; ++x) {
      const char c = rows[y][x];
      s->pixels.get()[y * 7 + x] = c == '#' ? kPalette[3] : c == 'x' ? kPalette[0] : hole;
    }
  s->transparent = transparent ? 1 : 0;
}

void blits(JkSurface* s) {
  background(s);
  JkSurface* src = jkSurface_fromHandle(JkOffScreenCreate(7, 9));
  if (src == nullptr)
    return;
  for (int32_t t = 0; t < 8; ++t) {
    sprite(src, true);
    kjava_gfx_blitRegion(s, nullptr, 10 + 20 * t, 10, src, 0, 0, 7, 9, t);
    sprite(src, false);
    kjava_gfx_blitRegion(s, nullptr, 10 + 20 * t, 25, src, 0, 0, 7, 9, t);
  }
  // A region of the sprite (its "F" bars), plain blits and a clipped blit.
  sprite(src, true);
  kjava_gfx_blitRegion(s, nullptr, 170, 10, src, 2, 0, 5, 5, TRANS_ROT90);
  kjava_gfx_blit(s, nullptr, 170, 25, src);
  const ClipRect clip{185, 25, 5, 6};
  frame(s, clip);
  kjava_gfx_blit(s, &clip, 182, 22, src);
  JkOffScreenDestroy(jkSurface_toHandle(src));
  // ARGB writes: a gradient whose odd columns have alpha 0, in opaque mode
  // and in alpha mode (odd columns then transparent).
  uint32_t argb[24 * 12];
  for (int32_t y = 0; y < 12; ++y)
    for (int32_t x = 0; x < 24; ++x)
      argb[y * 24 + x] = (x % 2 == 0 ? 0xFF000000u : 0u) | uint32_t(x * 10) << 16 |
                         uint32_t(y * 20) << 8 | 0x80;
  kjava_gfx_writeARGB(s, nullptr, 10, 45, argb, 24, 12, 0);
  kjava_gfx_writeARGB(s, nullptr, 40, 45, argb, 24, 12, 1);
  // A self blit shifted by (3, 2) through a clip, as a copy area would.
  kjava_gfx_fillRect(s, nullptr, kPalette[4], 80, 45, 20, 12);
  kjava_gfx_drawLine(s, nullptr, kPalette[6], 80, 45, 99, 56);
  const ClipRect area{83, 47, 20, 12};
  kjava_gfx_blit(s, &area, 3, 2, s);
  // A transformed self blit: the sprite column at (10, 10) turned onto
  // (110, 45).
  kjava_gfx_blitRegion(s, nullptr, 110, 45, s, 10, 10, 7, 9, TRANS_ROT270);
}

const GfxScene kScenes[] = {
    {"lines", 200, 120, lines},
    {"rects", 160, 100, rects},
    {"triangles", 200, 120, triangles},
    {"arcs", 250, 150, arcs},
    {"blits", 200, 70, blits},
};

}  // namespace

const GfxScene* gfxScene_find(const char* name) {
  for (const GfxScene& scene : kScenes)
    if (std::strcmp(scene.name, name) == 0)
      return &scene;
  return nullptr;
}

JkSurface* gfxScene_render(const char* name) {
  const GfxScene* scene = gfxScene_find(name);
  if (scene == nullptr)
    return nullptr;
  JkSurface* surface = jkSurface_fromHandle(JkOffScreenCreate(scene->width, scene->height));
  if (surface != nullptr)
    scene->draw(surface);
  return surface;
}
