// The class-path decoder on plain bytes, for tests, the fuzz target and the
// benchmark.
#pragma once

#include <cstdint>
#include <vector>

// Decodes stream into out (outputLength bytes) through the class-path
// decoder: the stream is a memory file read through an archive stream, the
// output a byte array. Runs on the booted test heap (heap_boot.h) and drops
// all it allocated before it returns. The decoder's 1 or 0, or -1 when the
// output array or the stream could not be set up.
int32_t vsTestInflate_classPath(const uint8_t* stream, uint32_t length, uint8_t* out,
                                uint32_t outputLength);
