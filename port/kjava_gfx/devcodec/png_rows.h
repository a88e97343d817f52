// Row side of the PNG decoder: the five row filters and the row converters
// that hand each pixel of an unfiltered row to the pixel sink.
//
// kPngFormats is the one table of colour types: which bit depths each allows,
// how many samples a pixel has, and its converter. Header validation and
// converter selection both read it, so a combination is valid exactly when it
// has a converter.
//
// Samples reach the sink as four u16 values red, green, blue, alpha at the
// image's bit depth; palette images report depth 8 and the palette's colour.
#pragma once

#include <cstdint>

// Called once per pixel; answers false to stop the decode.
using PngPixelSink = bool (*)(void* context, uint32_t depth, bool colour, bool alpha, uint32_t x,
                              uint32_t y, const uint16_t samples[4]);

struct PngPalette {
  uint8_t rgb[256][3];
  uint32_t count;
};

// tRNS data: a grey key (type 0), an RGB key (type 2) or a palette alpha
// table (type 3).
struct PngTransparency {
  bool present;
  uint16_t grey;
  uint16_t rgb[3];
  uint8_t* table;
  uint32_t tableLength;
};

// One unfiltered row, placed on the image: pixel i lands at
// (xStart + xStep * i, y).
struct PngRow {
  const uint8_t* data;
  uint32_t depth;
  uint32_t count;
  uint32_t y;
  uint32_t xStart;
  uint32_t xStep;
  const PngPalette* palette;
  const PngTransparency* transparency;
  PngPixelSink sink;
  void* context;
};

using PngRowConverter = bool (*)(const PngRow& row);

struct PngFormat {
  uint8_t colourType;
  uint8_t samples;      // per pixel
  uint8_t depthMask;    // bit d set when depth 2^d is allowed (1 .. 16)
  PngRowConverter convert;
};

// The format of a colour type and depth; null when PNG does not allow it.
const PngFormat* png_format(uint32_t colourType, uint32_t depth);

// Undoes the filter of row[0] on the `bytes` bytes that follow it, with
// `prior` the previous unfiltered row of the pass and `distance` the bytes per
// complete pixel. False for an unknown filter type.
bool png_unfilter(uint8_t* row, const uint8_t* prior, uint32_t bytes, uint32_t distance);
