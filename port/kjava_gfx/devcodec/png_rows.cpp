// Row filters and row converters (see png_rows.h).
#include "port/kjava_gfx/devcodec/png_rows.h"

#include <cstdlib>

namespace {

// Sample `index` of a row at `depth` bits: packed most significant bits first
// below 8 bits, big-endian at 16. Row lengths are bounded by the inflater's
// output maximum, so every bit index fits 32 bits.
uint16_t lSample(const uint8_t* data, uint32_t depth, uint32_t index) {
  if (depth == 16)
    return static_cast<uint16_t>(data[2 * index] << 8 | data[2 * index + 1]);
  if (depth == 8)
    return data[index];
  const uint32_t bit = index * depth;
  const uint32_t shift = 8 - depth - bit % 8;
  return static_cast<uint16_t>((data[bit / 8] >> shift) & ((1u << depth) - 1));
}

uint32_t lX(const PngRow& row, uint32_t i) { return row.xStart + row.xStep * i; }

// The bits of a sample at the row's depth: a tRNS key is compared only in
// them (its higher bits are ignored, as libpng does).
uint16_t lSampleMask(const PngRow& row) {
  return static_cast<uint16_t>(row.depth == 16 ? 0xFFFF : (1u << row.depth) - 1);
}

bool lGrey(const PngRow& row) {
  const PngTransparency& t = *row.transparency;
  const uint16_t mask = lSampleMask(row);
  for (uint32_t i = 0; i < row.count; ++i) {
    const uint16_t v = lSample(row.data, row.depth, i);
    const bool keyed = t.present && v == (t.grey & mask);
    const uint16_t s[4] = {v, v, v, 0};
    if (!row.sink(row.context, row.depth, false, keyed, lX(row, i), row.y, s))
      return false;
  }
  return true;
}

bool lRgb(const PngRow& row) {
  const PngTransparency& t = *row.transparency;
  const uint16_t mask = lSampleMask(row);
  for (uint32_t i = 0; i < row.count; ++i) {
    const uint16_t s[4] = {lSample(row.data, row.depth, 3 * i), lSample(row.data, row.depth, 3 * i + 1),
                           lSample(row.data, row.depth, 3 * i + 2), 0};
    const bool keyed = t.present && s[0] == (t.rgb[0] & mask) && s[1] == (t.rgb[1] & mask) &&
                       s[2] == (t.rgb[2] & mask);
    if (!row.sink(row.context, row.depth, true, keyed, lX(row, i), row.y, s))
      return false;
  }
  return true;
}

bool lPalette(const PngRow& row) {
  const PngTransparency& t = *row.transparency;
  for (uint32_t i = 0; i < row.count; ++i) {
    const uint16_t index = lSample(row.data, row.depth, i);
    if (index >= row.palette->count)
      return false;
    const uint8_t* rgb = row.palette->rgb[index];
    const bool hasAlpha = t.table != nullptr && index < t.tableLength;
    const uint16_t s[4] = {rgb[0], rgb[1], rgb[2], static_cast<uint16_t>(hasAlpha ? t.table[index] : 0)};
    if (!row.sink(row.context, 8, true, hasAlpha, lX(row, i), row.y, s))
      return false;
  }
  return true;
}

bool lGreyAlpha(const PngRow& row) {
  for (uint32_t i = 0; i < row.count; ++i) {
    const uint16_t v = lSample(row.data, row.depth, 2 * i);
    const uint16_t s[4] = {v, v, v, lSample(row.data, row.depth, 2 * i + 1)};
    if (!row.sink(row.context, row.depth, false, true, lX(row, i), row.y, s))
      return false;
  }
  return true;
}

bool lRgba(const PngRow& row) {
  for (uint32_t i = 0; i < row.count; ++i) {
    const uint16_t s[4] = {lSample(row.data, row.depth, 4 * i), lSample(row.data, row.depth, 4 * i + 1),
                           lSample(row.data, row.depth, 4 * i + 2), lSample(row.data, row.depth, 4 * i + 3)};
    if (!row.sink(row.context, row.depth, true, true, lX(row, i), row.y, s))
      return false;
  }
  return true;
}

constexpr uint8_t kD1 = 1 << 0, kD2 = 1 << 1, kD4 = 1 << 2, kD8 = 1 << 3, kD16 = 1 << 4;

constexpr PngFormat kPngFormats[] = {
    {0, 1, kD1 | kD2 | kD4 | kD8 | kD16, lGrey},
    {2, 3, kD8 | kD16, lRgb},
    {3, 1, kD1 | kD2 | kD4 | kD8, lPalette},
    {4, 2, kD8 | kD16, lGreyAlpha},
    {6, 4, kD8 | kD16, lRgba},
};

uint8_t lDepthBit(uint32_t depth) {
  switch (depth) {
    case 1: return kD1;
    case 2: return kD2;
    case 4: return kD4;
    case 8: return kD8;
    case 16: return kD16;
    default: return 0;
  }
}

uint8_t lPaeth(uint8_t a, uint8_t b, uint8_t c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc)
    return a;
  return pb <= pc ? b : c;
}

}  // namespace

const PngFormat* png_format(uint32_t colourType, uint32_t depth) {
  for (const PngFormat& f : kPngFormats)
    if (f.colourType == colourType)
      return (f.depthMask & lDepthBit(depth)) != 0 ? &f : nullptr;
  return nullptr;
}

bool png_unfilter(uint8_t* row, const uint8_t* prior, uint32_t bytes, uint32_t distance) {
  uint8_t* line = row + 1;
  switch (row[0]) {
    case 0:
      return true;
    case 1:
      for (uint32_t i = distance; i < bytes; ++i)
        line[i] = static_cast<uint8_t>(line[i] + line[i - distance]);
      return true;
    case 2:
      for (uint32_t i = 0; i < bytes; ++i)
        line[i] = static_cast<uint8_t>(line[i] + prior[i]);
      return true;
    case 3:
      for (uint32_t i = 0; i < bytes; ++i) {
        const uint32_t left = i >= distance ? line[i - distance] : 0;
        line[i] = static_cast<uint8_t>(line[i] + (left + prior[i]) / 2);
      }
      return true;
    case 4:
      for (uint32_t i = 0; i < bytes; ++i) {
        const uint8_t left = i >= distance ? line[i - distance] : 0;
        const uint8_t upLeft = i >= distance ? prior[i - distance] : 0;
        line[i] = static_cast<uint8_t>(line[i] + lPaeth(left, prior[i], upLeft));
      }
      return true;
    default:
      return false;
  }
}
