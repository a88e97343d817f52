// Where the class image lies, and the compact references to its records.
//
// The image has two address ranges that the VM uses in place: the read-only
// part (records used where the program was linked) and the writable area
// (a region of the zeroed VM variables that the loader fills at each start):
//
//   read-only part   [readOnlyStart, readOnlyStart + readOnlySize)
//   writable area    [writableStart, writableStart + writableSize)
//
// Both are half-open; a size of 0 (no image loaded) contains nothing.
//
// A compact image reference names an address of either range in fewer bits
// than an address: (address - readOnlyStart) * 2 for the read-only part,
// (address - writableStart) * 2 + 1 for the writable area. Bit 0 chooses
// the range, the rest is the offset, so every compact reference is below
// twice the larger size. The loader keeps both parts below 4 MiB, which
// leaves the doubling far from overflow.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "ce/substrate/vm_word.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/model/object_helpers.h"

struct ImageBounds {
  VmWord readOnlyStart;
  uint32_t readOnlySize;
  VmWord writableStart;
  uint32_t writableSize;
};

// Set by the image loader; all zero until an image is loaded.
extern VmVariable<ImageBounds> vsImage_bounds;

bool vsImage_isInReadOnlyPart(VmWord address);
bool vsImage_isInWritableArea(VmWord address);
// In either range: vsObject_isInRomImage (object_helpers.h).

// vsImage_encodeReference gives kNotAnImageReference for any address
// outside the image; vsImage_decodeReference reverses it (both gc_hooks.h).
inline constexpr VmWord kNotAnImageReference = 0xffffffffu;
// Every compact reference is below this: twice the larger of the two sizes.
uint32_t vsImage_referenceRange();
