// The software rasterizer: every entry that puts pixels into a 16-bit surface
// or moves pixels between surfaces and ARGB words.
//
// Common arguments of the drawing entries, in this order: the destination
// surface (null: the virtual screen), the clip rectangle (null: the whole
// surface), the 16-bit pixel to write (written as is, never blended), then the
// shape's coordinates as full 32-bit integers.
//
// Effective clip: left = max(clip x, 0), top = max(clip y, 0),
// right = min(clip x + clip width, surface width),
// bottom = min(clip y + clip height, surface height); a pixel (px, py) may be
// written when left <= px < right and top <= py < bottom.
//
// Invariants, for every argument value:
//   - no entry writes outside the effective clip of its destination;
//   - no intermediate overflows: clip intersections and ellipse terms use
//     64-bit or 128-bit arithmetic, results equal the exact integer formulas;
//   - work is bounded by the visible rows and columns, except for arcs, pies
//     and round-rect corners, whose walk is bounded by their radii (at most
//     kGfxMaxRadius; larger ones draw nothing).
// Results: 0 when accepted (also when nothing was visible), -1 for a
// destination that may not be drawn into and for the argument errors named
// per entry. All drawing shares one static colour row, so one thread draws at
// a time.
#pragma once

#include <cstdint>

#include "port/kjava_gfx/jk_surface.h"

struct ClipRect {
  int16_t x;
  int16_t y;
  int16_t width;
  int16_t height;
};
static_assert(sizeof(ClipRect) == 8);

// Transform codes of the region blit, as in the game API.
enum TransformCode : int32_t {
  TRANS_NONE = 0,
  TRANS_MIRROR_ROT180 = 1,
  TRANS_MIRROR = 2,
  TRANS_ROT180 = 3,
  TRANS_MIRROR_ROT270 = 4,
  TRANS_ROT90 = 5,
  TRANS_ROT270 = 6,
  TRANS_MIRROR_ROT90 = 7,
};

// Largest arc, pie and round-rect corner radius that is drawn.
constexpr int32_t kGfxMaxRadius = 524287;

// The virtual screen's record, all zero (so not writable) until the display
// fills it.
JkSurface* kjava_gfx_getVirtualScreenSurface();

// The pixel at (x, y); 0 outside the surface.
uint16_t kjava_gfx_getPixel(const JkSurface* surface, int32_t x, int32_t y);

// Lines, both end points included; dotted lines write every other pixel of
// the walk from its first visible pixel.
int32_t kjava_gfx_drawLine(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int32_t x1,
                           int32_t y1, int32_t x2, int32_t y2);
int32_t kjava_gfx_drawLineDotted(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                                 int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// Outlines of w + 1 by h + 1 pixels; the filled rectangle is w by h.
int32_t kjava_gfx_drawRect(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int32_t x,
                           int32_t y, int32_t w, int32_t h);
int32_t kjava_gfx_drawRectDotted(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                                 int32_t x, int32_t y, int32_t w, int32_t h);
int32_t kjava_gfx_fillRect(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int32_t x,
                           int32_t y, int32_t w, int32_t h);

// Filled triangle, edges included.
int32_t kjava_gfx_fillTriangle(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                               const int32_t xs[3], const int32_t ys[3]);

// 16.16 fixed-point sine of an angle in degrees.
int32_t kjava_gfx_sin(int32_t degrees);

// Elliptical arcs and pies in the box x..x + w, y..y + h (outline) or
// x..x + w - 1, y..y + h - 1 (pie); angles in degrees, counter-clockwise from
// three o'clock.
int32_t kjava_gfx_drawArc(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int32_t x,
                          int32_t y, int32_t w, int32_t h, int32_t start, int32_t extent);
int32_t kjava_gfx_drawArcDotted(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                                int32_t x, int32_t y, int32_t w, int32_t h, int32_t start,
                                int32_t extent);
int32_t kjava_gfx_fillArc(JkSurface* surface, const ClipRect* clip, uint16_t pixel, int32_t x,
                          int32_t y, int32_t w, int32_t h, int32_t start, int32_t extent);

// Rounded rectangles; -1 when the arc is larger than the rectangle.
int32_t kjava_gfx_drawRoundRect(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                                int32_t x, int32_t y, int32_t w, int32_t h, int32_t arcWidth,
                                int32_t arcHeight);
int32_t kjava_gfx_drawRoundRectDotted(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                                      int32_t x, int32_t y, int32_t w, int32_t h,
                                      int32_t arcWidth, int32_t arcHeight);
int32_t kjava_gfx_fillRoundRect(JkSurface* surface, const ClipRect* clip, uint16_t pixel,
                                int32_t x, int32_t y, int32_t w, int32_t h, int32_t arcWidth,
                                int32_t arcHeight);

// ARGB word <-> pixel. The opaque bit is ARGB bit 27 in alpha mode (any
// non-zero mode); in mode 0 every pixel is opaque.
uint16_t kjava_gfx_toPixel(uint32_t argb, uint32_t alphaMode);
uint32_t kjava_gfx_toARGB(uint16_t pixel);

// Reads the rectangle, limited to the surface, into dst: pixel (sx, sy) goes
// to dst[(sy - y) * scan + (sx - x)]. -1 when the surface is null, w < 0,
// h < 0 or scan < w.
int32_t kjava_gfx_readARGB(uint32_t* dst, int32_t scan, const JkSurface* surface, int32_t x,
                           int32_t y, int32_t w, int32_t h);
// Writes w x h packed ARGB words at (x, y); -1 when argb is null.
int32_t kjava_gfx_writeARGB(JkSurface* surface, const ClipRect* clip, int32_t x, int32_t y,
                            const uint32_t* argb, int32_t w, int32_t h, uint32_t alphaMode);

// Blits of a whole source, or of its region sx, sy, sw, sh turned by a
// transform code. A blit of a surface onto itself gives what a blit from a
// copy of the source would give.
int32_t kjava_gfx_blit(JkSurface* surface, const ClipRect* clip, int32_t x, int32_t y,
                       const JkSurface* source);
int32_t kjava_gfx_blitRegion(JkSurface* surface, const ClipRect* clip, int32_t x, int32_t y,
                             const JkSurface* source, int32_t sx, int32_t sy, int32_t sw,
                             int32_t sh, int32_t transform);
