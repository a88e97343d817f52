// Small PNG files for the decoder's unit tests: the signature, chunks with
// their CRCs, and image data compressed by zlib from given filtered rows.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace png_test {

using Bytes = std::vector<uint8_t>;

inline void put32(Bytes* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out->push_back(static_cast<uint8_t>(v >> shift));
}

inline Bytes chunk(const std::string& type, const Bytes& data) {
  Bytes out;
  put32(&out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), out.data() + 4, static_cast<uInt>(data.size() + 4));
  put32(&out, static_cast<uint32_t>(crc));
  return out;
}

inline Bytes ihdr(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, uint8_t interlace = 0) {
  Bytes data;
  put32(&data, width);
  put32(&data, height);
  data.insert(data.end(), {depth, colourType, 0, 0, interlace});
  return chunk("IHDR", data);
}

inline Bytes deflate(const Bytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
  out.resize(size);
  return out;
}

// Signature, IHDR, the chunks given, and IEND.
inline Bytes file(const Bytes& header, const std::vector<Bytes>& chunks) {
  Bytes out = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  out.insert(out.end(), header.begin(), header.end());
  for (const Bytes& c : chunks)
    out.insert(out.end(), c.begin(), c.end());
  const Bytes end = chunk("IEND", {});
  out.insert(out.end(), end.begin(), end.end());
  return out;
}

}  // namespace png_test
