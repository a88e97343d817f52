// The colour row and span writer (see kjava_gfx_span.h).
#include "port/kjava_gfx/kjava_gfx_span.h"

#include <algorithm>
#include <cstring>

namespace {

uint16_t gColourRow[kColourRowPixels];
int64_t gPrepared = 0;
uint16_t gPixel = 0;

}  // namespace

void gfx_prepareColourRow(uint16_t pixel, int64_t n) {
  n = std::clamp<int64_t>(n, 0, kColourRowPixels);
  gPixel = pixel;
  gPrepared = n;
  if (n < 64) {
    for (int64_t i = 0; i < n; ++i)
      gColourRow[i] = pixel;
    return;
  }
  int64_t filled = 8;
  for (int64_t i = 0; i < filled; ++i)
    gColourRow[i] = pixel;
  while (filled * 2 < n) {
    std::memcpy(gColourRow + filled, gColourRow, static_cast<size_t>(filled) * 2);
    filled *= 2;
  }
  const int64_t rest = n - filled;
  if (rest < 8) {
    for (int64_t i = filled; i < n; ++i)
      gColourRow[i] = pixel;
  } else {
    std::memcpy(gColourRow + filled, gColourRow, static_cast<size_t>(rest) * 2);
  }
}

void gfx_fillSpan(uint16_t* row, int64_t x0, int64_t x1) {
  int64_t length = x1 - x0 + 1;
  if (length <= 0)
    return;
  // Short spans, and spans drawn before any wide row was prepared, go pixel
  // by pixel.
  if (length <= 8 || gPrepared < 9) {
    for (int64_t x = x0; x <= x1; ++x)
      row[x] = gPixel;
    return;
  }
  // Whole blocks from the right end backwards, then the remainder.
  int64_t end = x1 + 1;
  while (length > gPrepared) {
    end -= gPrepared;
    std::memcpy(row + end, gColourRow, static_cast<size_t>(gPrepared) * 2);
    length -= gPrepared;
  }
  std::memcpy(row + x0, gColourRow, static_cast<size_t>(length) * 2);
}

void gfx_fillClippedSpan(const GfxTarget& target, int64_t y, int64_t x0, int64_t x1) {
  if (y < target.top || y >= target.bottom)
    return;
  x0 = std::max<int64_t>(x0, target.left);
  x1 = std::min<int64_t>(x1, int64_t{target.right} - 1);
  gfx_fillSpan(target.row(y), x0, x1);
}
