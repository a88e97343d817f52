// The descriptor decoder: DEFLATE over plain memory for the suite-descriptor
// service's own JAR reader.
//
// Input comes one byte at a time from the service's byte reader; the decoder
// asks it for at most `inputLength` bytes (the four bytes of read-ahead past
// the end are zeros of its own). The Huffman tables come from the service's
// allocator environment and are all released before the call returns. The
// decoding logic is the VM's one decoder (inflater_core.h).
#pragma once

#include <cstdint>

// Next input byte (0-255); anything else fails the decoding. The reader may
// keep its position in the word whose address it is given.
using VsJarInflaterByteReader = int32_t (*)(void* context, uint32_t* readerWord);

// An allocation environment: allocate(bytes, environment) gives a block or
// null, release(block, environment) gives it back.
struct VsInflaterAllocator {
  void* (*allocate)(uint32_t bytes, void* environment);
  void (*release)(void* block, void* environment);
  void* environment;
};

// Decodes inputLength bytes of raw DEFLATE data into exactly outputLength
// bytes at `output`. Returns 1 on success, 0 for any decoding or allocation
// failure (the output may then hold part of the data).
int32_t vsJarInflater_inflate(const VsInflaterAllocator* allocator, void* context,
                              VsJarInflaterByteReader byteReader, uint32_t inputLength,
                              uint8_t* output, uint32_t outputLength, uint32_t readerWord);
