// Image bounds and compact image references (see image_bounds.h).
#include "vm/core/image/image_bounds.h"

VS_VMBSS(ImageBounds) vsImage_bounds = {};

namespace {

// Unsigned distance: an address below the start wraps to a large value, so
// one compare tests both ends.
bool inRange(VmWord address, VmWord start, uint32_t size) { return address - start < size; }

}  // namespace

bool vsImage_isInReadOnlyPart(VmWord address) {
  return inRange(address, vsImage_bounds.readOnlyStart, vsImage_bounds.readOnlySize);
}

bool vsImage_isInWritableArea(VmWord address) {
  return inRange(address, vsImage_bounds.writableStart, vsImage_bounds.writableSize);
}

bool vsObject_isInRomImage(VmWord address) {
  return vsImage_isInReadOnlyPart(address) || vsImage_isInWritableArea(address);
}

VmWord vsImage_encodeReference(VmWord address) {
  if (vsImage_isInReadOnlyPart(address)) return (address - vsImage_bounds.readOnlyStart) * 2;
  if (vsImage_isInWritableArea(address)) return (address - vsImage_bounds.writableStart) * 2 + 1;
  return kNotAnImageReference;
}

VmWord vsImage_decodeReference(VmWord reference) {
  const VmWord base = (reference & 1) != 0 ? vsImage_bounds.writableStart : vsImage_bounds.readOnlyStart;
  return base + (reference >> 1);
}

uint32_t vsImage_referenceRange() {
  const uint32_t larger = vsImage_bounds.readOnlySize > vsImage_bounds.writableSize
                              ? vsImage_bounds.readOnlySize
                              : vsImage_bounds.writableSize;
  return larger * 2;
}
