// The class-path decoder on plain bytes, for tests, the fuzz target and the
// benchmark.
#pragma once

#include <cstdint>

// Decodes stream into out (outputLength bytes) through the class-path
// decoder, on a fresh test heap of heapBytes: its 1 or 0, or -1 when the
// heap or the output could not be set up.
int32_t vsTestInflate_classPath(const uint8_t* stream, uint32_t length, uint8_t* out,
                                uint32_t outputLength, uint32_t heapBytes);
