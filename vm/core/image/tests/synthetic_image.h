// A small class image built in low memory, in the exact layout the loader
// reads, for the tests of the loader, the checker and the dump.
//
// It holds what a real image holds, in miniature: the class records of the
// internal kinds, class-info records, two methods of java.lang.Object, the
// merged pool with every symbol grouped by hash bucket, the shared char
// array; in the heap part nine instance classes (Object, String, Class,
// Thread, System, Throwable, Math, Helper, OutOfMemoryError) with nears and
// mirrors, the class table and class hash table, roots 40 to 43 and two
// arrays that point to each other and to the read-only part (held by a
// static of Math); in the writable block the eight primitive array classes
// and Object[] with their nears, and String's near; three strings.
#pragma once

#include <cstdint>

#include "vm/core/image/image_format.h"

struct SyntheticImage {
  ImageDescriptor* descriptor;
  // Image addresses of words that the tests inspect or change.
  VmWord pairArray;        // Object[3] {other array, shared chars, null}
  VmWord otherArray;       // Object[1] {pair array}
  VmWord mathClass;        // its static at byte 48 holds the pair array
  VmWord classTable;
  VmWord toStringMethod;   // ldc_fast of the first string, areturn
  uint32_t symbolCount;
  uint32_t classCount;     // class ids
  uint32_t objectCount;    // heap part and writable area
};

// Texts of the three strings: the first starts at its own step (2).
inline constexpr const char* kSyntheticStrings[] = {"hello", "world", "rld"};
inline constexpr uint32_t kSyntheticFirstStep = 2;

// Builds a fresh image (each call replaces the previous one).
SyntheticImage vsTestImage_build();
