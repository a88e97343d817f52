// Image codec front end: decodes PNG data into a fresh image surface.
//
// The decoder writes each pixel as a 32-bit ARGB word into a zero-filled
// decode buffer; once the whole image is decoded the buffer goes into the
// surface through the ARGB writer in alpha mode, with the surface writable for
// that one call.
//
//   decode buffer:  word 0 width | word 1 height | word 2 stride (width x 4)
//                   byte 12 on: pixel (x, y) at 12 + y x stride + x x 4,
//                   a native 0xAARRGGBB word
//   size: ((width + 7) / 8) x 8 x height x 4 + 16 bytes, in 64 bits
//
// Pixels that no row reaches stay 0 (transparent black). Every block comes from
// the graphics allocator's heap side; nothing is left allocated after a call.
#pragma once

#include <cstdint>

#include "port/kjava_gfx/jk_surface.h"

enum DevCodecResult : int32_t {
  kDevCodecOk = 0,
  kDevCodecBadData = 2,
  kDevCodecNoMemory = 3,  // only the decode buffer reports this
};

// Decodes `size` bytes of PNG data into `surface`, whose width and height are
// the probed ones and whose pixels are zero. The surface ends not writable.
DevCodecResult devCodec_decodePng(const uint8_t* data, uint32_t size, JkSurface* surface);
