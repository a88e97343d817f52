// PNG decoder: signature and header probe, chunk loop with CRC checks, zlib
// decompression through the growable-buffer inflater, the five row filters,
// Adam7 de-interlacing and the row converters of every colour type and depth.
// Each decoded pixel goes to the caller's pixel sink.
//
// The data is hostile. Invariants:
//   - every chunk length is checked against the PNG limit (2^31 - 1) and the
//     input left before anything is allocated or read for it;
//   - every size is computed in 64 bits; a row the inflater's output buffer
//     can never hold fails at once;
//   - the palette holds at most min(256, 2^depth) entries and a palette index
//     at or above its count fails the decode;
//   - pixels reach the sink only at x < width and y < height.
//
// The decoder's state lives in one zero-filled block of the caller's
// allocator, and so do its chunk buffer, rows and palette alpha table.
#pragma once

#include <cstdint>

#include "port/kjava_gfx/devcodec/codec_allocator.h"
#include "port/kjava_gfx/devcodec/png_inflater.h"
#include "port/kjava_gfx/devcodec/png_rows.h"

// The data being decoded: reads copy min(requested, size - position) bytes.
struct PngSource {
  const uint8_t* data;
  uint32_t size;
  uint32_t position;

  uint32_t read(uint8_t* to, uint32_t n);
  uint32_t remaining() const { return size - position; }
};

struct PngHeader {
  uint32_t width;
  uint32_t height;
  uint8_t depth;
  uint8_t colourType;
  uint8_t compression;
  uint8_t filter;
  uint8_t interlace;
};

// Whether data starts with the PNG signature; width and height come from a
// first chunk "IHDR" with a correct CRC within 33 bytes, else both are 0 (as
// they are when either exceeds 2^31 - 1).
bool png_probe(const uint8_t* data, uint32_t size, uint32_t* width, uint32_t* height);

class PngDecoder {
 public:
  // Null when the state cannot be allocated.
  static PngDecoder* create(const CodecAllocator& allocator, PngSource* source, PngInflater* inflater,
                            PngPixelSink sink, void* context);
  static void destroy(PngDecoder* decoder);

  // Reads and validates the signature and IHDR.
  bool readHeader();
  const PngHeader& header() const { return header_; }
  // Decodes the image after readHeader; true when the data was sound.
  bool decode();

 private:
  // One pass of the image (the whole image when not interlaced).
  struct Pass {
    uint32_t rows;
    uint32_t columns;
    uint64_t rowBytes;
    uint64_t lastRow;  // index of the row after the pass's last, over all passes
    uint32_t xStart, yStart, xStep, yStep;
  };

  PngDecoder() = default;
  bool startRows();
  bool chunkLoop();
  bool readChunk(const uint8_t head[8], uint32_t length);
  bool onImageData(const uint8_t head[8], uint32_t length);
  bool onPalette(const uint8_t head[8], uint32_t length);
  bool onTransparency(const uint8_t head[8], uint32_t length);
  bool onGamma(const uint8_t head[8], uint32_t length);
  bool decompress(const uint8_t* data, uint32_t n);
  bool takeRows(bool* tookAny);
  void freeBuffers();

  CodecAllocator allocator_;
  PngSource* source_;
  PngInflater* inflater_;
  PngPixelSink sink_;
  void* context_;

  PngHeader header_;
  const PngFormat* format_;
  uint32_t bitsPerPixel_;
  uint32_t pixelBytes_;
  uint64_t rowBytes_;
  Pass passes_[7];
  uint32_t passCount_;

  uint8_t* chunk_;
  uint64_t chunkSize_;
  PngPalette palette_;
  PngTransparency transparency_;
  uint32_t imageDataChunks_, paletteChunks_, transparencyChunks_;
  bool imageDataRunEnded_;
  uint8_t zlibHeader_[2];
  uint32_t zlibHeaderBytes_;

  uint8_t* prior_;
  uint8_t* current_;
  uint64_t row_;
  uint32_t pass_;
};
