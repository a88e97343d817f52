// Plain and region blits with the eight transforms.
//
// Destination pixel (i, j) of the placed region (i across, j down) comes from
// source column c0 + ci*i + cj*j and row r0 + ri*i + rj*j, with (c0, r0) the
// region corner and the steps of the transform table below; the walk turns
// these into two pointer steps, one per destination column and one per row.
// A source with its transparency flag set copies only pixels with the opaque
// bit; there is no blending.
//
// Self blits (source and destination share their pixels) give the result of a
// blit from a copy of the source: without a transform the copy runs in the
// order that reads every source pixel before it is overwritten; a transformed
// self blit first copies the source pixels it reads into a temporary block
// (no block: -1, nothing drawn).
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "port/kjava_gfx/jk_gfx_memory.h"
#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/kjava_gfx_target.h"

namespace {

struct TransformSteps {
  bool atRight;   // c0 = sx + sw - 1, else sx
  bool atBottom;  // r0 = sy + sh - 1, else sy
  int8_t ci, cj, ri, rj;
};

// Indexed by TransformCode.
constexpr TransformSteps kTransforms[8] = {
    {false, false, 1, 0, 0, 1},    // TRANS_NONE
    {false, true, 1, 0, 0, -1},    // TRANS_MIRROR_ROT180
    {true, false, -1, 0, 0, 1},    // TRANS_MIRROR
    {true, true, -1, 0, 0, -1},    // TRANS_ROT180
    {false, false, 0, 1, 1, 0},    // TRANS_MIRROR_ROT270
    {false, true, 0, 1, -1, 0},    // TRANS_ROT90
    {true, false, 0, -1, 1, 0},    // TRANS_ROT270
    {true, true, 0, -1, -1, 0},    // TRANS_MIRROR_ROT90
};

// Codes 0-3 keep rows as rows; 4-7 swap width and height.
constexpr bool lSwapsAxes(const TransformSteps& s) { return s.ci == 0; }
static_assert(!lSwapsAxes(kTransforms[TRANS_ROT180]) &&
              lSwapsAxes(kTransforms[TRANS_MIRROR_ROT270]));
static_assert(kTransforms[TRANS_ROT90].atBottom && kTransforms[TRANS_ROT90].rj == 0 &&
              kTransforms[TRANS_ROT90].ri == -1 && kTransforms[TRANS_ROT90].cj == 1);

// The source pixels of a blit, as a block with its own row length.
struct SourceBlock {
  const uint16_t* pixels;
  int64_t stride;
  bool transparent;
};

// Copies the visible placement; `first` is the source pixel of (xs, ys).
void lCopy(const GfxTarget& t, const GfxPlacement& p, const uint16_t* first, int64_t colStep,
           int64_t rowStep, bool transparent) {
  const int64_t width = p.xe - p.xs;
  for (int64_t j = 0; j < p.ye - p.ys; ++j) {
    const uint16_t* from = first + j * rowStep;
    uint16_t* to = t.row(p.ys + j) + p.xs;
    if (colStep == 1 && !transparent) {
      std::memcpy(to, from, static_cast<size_t>(width) * 2);
      continue;
    }
    for (int64_t i = 0; i < width; ++i) {
      const uint16_t v = from[i * colStep];
      if (!transparent || (v & kJkPixelOpaque) != 0)
        to[i] = v;
    }
  }
}

// An untransformed copy within one buffer: source and destination differ by
// a fixed displacement, so walking away from the side the source lies on
// reads every pixel before it is overwritten.
void lCopyWithin(const GfxTarget& t, const GfxPlacement& p, const uint16_t* first,
                 bool transparent) {
  const int64_t width = p.xe - p.xs;
  const int64_t rows = p.ye - p.ys;
  const bool forward = first >= t.row(p.ys) + p.xs;
  for (int64_t k = 0; k < rows; ++k) {
    const int64_t j = forward ? k : rows - 1 - k;
    const uint16_t* from = first + j * t.width;
    uint16_t* to = t.row(p.ys + j) + p.xs;
    if (!transparent) {
      std::memmove(to, from, static_cast<size_t>(width) * 2);
      continue;
    }
    for (int64_t n = 0; n < width; ++n) {
      const int64_t i = forward ? n : width - 1 - n;
      if ((from[i] & kJkPixelOpaque) != 0)
        to[i] = from[i];
    }
  }
}

int32_t lBlit(const GfxTarget& t, int64_t x, int64_t y, const JkSurface& source, int64_t sx,
              int64_t sy, int64_t sw, int64_t sh, int32_t transform) {
  const TransformSteps& steps = kTransforms[transform];
  const bool swap = lSwapsAxes(steps);
  GfxPlacement p;
  if (!gfx_place(t, x, y, swap ? sh : sw, swap ? sw : sh, &p))
    return 0;
  // Source column and row of destination pixel (i, j) of the placed region.
  const int64_t c0 = steps.atRight ? sx + sw - 1 : sx;
  const int64_t r0 = steps.atBottom ? sy + sh - 1 : sy;
  auto column = [&](int64_t i, int64_t j) { return c0 + steps.ci * i + steps.cj * j; };
  auto row = [&](int64_t i, int64_t j) { return r0 + steps.ri * i + steps.rj * j; };
  const int64_t i0 = p.xs - x;
  const int64_t j0 = p.ys - y;
  const int64_t i1 = p.xe - 1 - x;
  const int64_t j1 = p.ye - 1 - y;

  const uint16_t* pixels = source.pixels.get();
  const int64_t stride = source.width;
  const bool transparent = source.transparent != 0;
  if (pixels != t.pixels) {
    lCopy(t, p, pixels + row(i0, j0) * stride + column(i0, j0), steps.ci + steps.ri * stride,
          steps.cj + steps.rj * stride, transparent);
    return 0;
  }
  if (transform == TRANS_NONE && stride == t.width) {
    lCopyWithin(t, p, pixels + row(i0, j0) * stride + column(i0, j0), transparent);
    return 0;
  }
  // A transformed self blit reads from a copy of the block of source pixels
  // that the visible part needs (the corners of the visible part span it).
  const int64_t cMin = std::min(column(i0, j0), column(i1, j1));
  const int64_t cMax = std::max(column(i0, j0), column(i1, j1));
  const int64_t rMin = std::min(row(i0, j0), row(i1, j1));
  const int64_t rMax = std::max(row(i0, j0), row(i1, j1));
  const int64_t copyWidth = cMax - cMin + 1;
  const auto bytes = static_cast<uint64_t>(copyWidth * (rMax - rMin + 1) * 2);
  auto* copy = static_cast<uint16_t*>(jkGfx_alloc(bytes));
  if (copy == nullptr)
    return -1;
  for (int64_t r = rMin; r <= rMax; ++r)
    std::memcpy(copy + (r - rMin) * copyWidth, pixels + r * stride + cMin,
                static_cast<size_t>(copyWidth) * 2);
  lCopy(t, p, copy + (row(i0, j0) - rMin) * copyWidth + (column(i0, j0) - cMin),
        steps.ci + steps.ri * copyWidth, steps.cj + steps.rj * copyWidth, transparent);
  jkGfx_free(copy);
  return 0;
}

}  // namespace

int32_t kjava_gfx_blit(JkSurface* surface, const ClipRect* clip, int32_t x, int32_t y,
                       const JkSurface* source) {
  if (source == nullptr)
    return -1;
  GfxTarget t;
  if (const int32_t opened = gfx_openTarget(surface, clip, &t); opened != kGfxReady)
    return opened;
  return lBlit(t, x, y, *source, 0, 0, source->width, source->height, TRANS_NONE);
}

int32_t kjava_gfx_blitRegion(JkSurface* surface, const ClipRect* clip, int32_t x, int32_t y,
                             const JkSurface* source, int32_t sx, int32_t sy, int32_t sw,
                             int32_t sh, int32_t transform) {
  if (source == nullptr || sx < 0 || sy < 0 || int64_t{sx} + sw > source->width ||
      int64_t{sy} + sh > source->height)
    return -1;
  if (transform < TRANS_NONE || transform > TRANS_MIRROR_ROT90)
    return -1;
  GfxTarget t;
  if (const int32_t opened = gfx_openTarget(surface, clip, &t); opened != kGfxReady)
    return opened;
  return lBlit(t, x, y, *source, sx, sy, sw, sh, transform);
}
