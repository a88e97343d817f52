// The colour row: one static row of 512 pixels, filled with the fill pixel
// before a filled shape is drawn, from which horizontal spans are written by
// block copies.
//
// Invariant: gfx_fillSpan writes exactly the pixels x0..x1 of the row it is
// given, with the pixel of the last gfx_prepareColourRow, whatever width was
// prepared. The row is shared by every filled shape: one thread draws at a
// time.
#pragma once

#include <cstdint>

#include "port/kjava_gfx/kjava_gfx_target.h"

constexpr int32_t kColourRowPixels = 512;

// Fills the first min(n, 512) entries of the colour row with pixel.
void gfx_prepareColourRow(uint16_t pixel, int64_t n);
// Writes pixels x0..x1 (inclusive) of row; nothing when x0 > x1.
void gfx_fillSpan(uint16_t* row, int64_t x0, int64_t x1);
// Writes row y from x0 to x1 limited to the target's clip; nothing when the
// row lies outside the clip or the limited span is empty.
void gfx_fillClippedSpan(const GfxTarget& target, int64_t y, int64_t x0, int64_t x1);
