// Loading the class image at VM start.
//
// The read-only part is used in place. The loader copies the rest:
//
//   image (program data)             VM at run time
//   heap part  ------------------->  Java heap at the allocation top
//   writable block --------------->  writable area (VM variables), then one
//                                    16-byte String per string-table pair
//   entry words ------------------>  method-entry table (VM variables)
//   roots 0..58, well-known syms ->  persistent roots, well-known slots
//
// and then relocates: every word that points into the image's heap part
// [heap part, heap part + heap size) moves by delta = copy - heap part. The
// words visited are the header and reference words of each copied heap
// object (measured and classified through the image's own copy, whose
// headers still hold image addresses), the 63 roots, the well-known
// symbols, the VM globals' reference words, and the writable-area walk
// (image_walk.h). Words outside the half-open range, and entry words (code
// addresses), keep their value.
//
// After the copy the VM knows the image: its bounds, the symbol and string
// hashes, the class-id count and the class-table word, the merged pool in
// the VM globals, the lookup option from header bit 0, and new heap tables
// of symbols (root 47, 128 slots) and interned strings (root 46, 64 slots).
//
// Every size word that follows its part is compared with the descriptor
// before anything is copied: an image whose words disagree is malformed.
#pragma once

#include <cstdint>

#include "vm/core/image/image_format.h"

enum ImageLoadResult : int32_t {
  kImageMalformed = -1,  // size words, layout or heap part do not add up
  kImageNoRoom = 0,      // the Java heap's free memory is not larger than the heap part,
                         // or a table could not be allocated
  kImageLoaded = 1,
};

int32_t vsImage_load(const ImageDescriptor* image);

// The name of the first size word or layout word that disagrees with the
// descriptor ("read-only size", ...), or null when all agree.
const char* vsImage_layoutFault(const ImageDescriptor* image);

// Forgets the loaded image: bounds, kept state, the lookups' image tables,
// the lookup option and the symbol and intern counts (VM shutdown).
void vsImage_unload();
