// Both decoders of the VM behind one call, so that every decoder test runs
// on each of them.
#pragma once

#include <cstdint>
#include <vector>

struct DecodeResult {
  int32_t status;            // the decoder's 1 or 0
  std::vector<uint8_t> out;  // the output buffer of the expected length
  uint32_t bytesRequested;   // input bytes the decoder asked for
  int32_t tablesLeft;        // tables allocated and not released
};

struct InflaterDecoder {
  const char* name;
  DecodeResult (*decode)(const std::vector<uint8_t>& stream, uint32_t outputLength);
};

// The descriptor decoder over a counting byte reader and allocator.
DecodeResult decodeWithJarInflater(const std::vector<uint8_t>& stream, uint32_t outputLength);

// The class-path decoder, on the booted test heap.
DecodeResult decodeWithClassPathInflater(const std::vector<uint8_t>& stream, uint32_t outputLength);
