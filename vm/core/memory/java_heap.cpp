// Java heap set-up, geometry, bump allocation and the boundary between the
// Java part and the native area (see java_heap.h).
#include "vm/core/memory/java_heap.h"

#include <cstring>

#include "vm/core/memory/compiled_code.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/memory/aligned_area.h"

VS_VMBSS(JavaHeapState) vsJavaHeap{};

namespace {

constexpr uint32_t roundDown(uint32_t v, uint32_t to) { return v & ~(to - 1); }
constexpr uint64_t roundUp64(uint64_t v, uint64_t to) { return (v + to - 1) & ~(to - 1); }
constexpr uint64_t roundDown64(uint64_t v) { return v & ~uint64_t{kHeapAlignment - 1}; }

uint32_t bitLength(uint64_t v) {
  uint32_t bits = 0;
  for (; v != 0; v >>= 1) ++bits;
  return bits;
}

uint32_t bitmapBytes(uint32_t capacity) { return (capacity + kHeapReserveBytes) / 32; }

// Block and side-table sizes of a heap whose Java part may grow to capacity.
struct Reservation {
  uint32_t blockUsed;
  uint32_t blockCapacity;
  uint32_t sideBytes;
};

Reservation reservationFor(uint32_t size, uint32_t capacity, const HeapGeometry& g) {
  return {size + kHeapReserveBytes, capacity + kHeapReserveBytes,
          bitmapBytes(capacity) + 4 * g.blockCount};
}

void clearBitmap(VmWord from, VmWord to) { vsGC_clearBits(from, to); }

}  // namespace

HeapGeometry vsJavaHeap_geometry(uint32_t size, uint32_t imageReadOnlySize,
                                 uint32_t imageWritableSize) {
  HeapGeometry g{};
  uint32_t b = bitLength((uint64_t{size} + kHeapReserveBytes - 1) / 4);
  const uint32_t larger = imageReadOnlySize > imageWritableSize ? imageReadOnlySize : imageWritableSize;
  const uint32_t imageBits = bitLength(uint64_t{larger} * 2);
  if (imageBits > b) b = imageBits;
  g.b = b;
  g.classRefFlag = uint32_t{1} << b;
  g.classRefMask = g.classRefFlag - 1;
  g.offsetShift = b + 1;
  g.blockWords = uint32_t{1} << (32 - (b + 1));
  g.highMask = ~(g.classRefFlag | g.classRefMask);
  const uint64_t blockBytes = uint64_t{4} * g.blockWords;
  g.blockCount = static_cast<uint32_t>((size + blockBytes - 1) / blockBytes);
  return g;
}

int32_t vsJavaHeap_setup(uint32_t imageReadOnlySize, uint32_t imageWritableSize) {
  VmFlagValues& flags = vsVmFlags();
  if (flags.HeapMin > flags.HeapCapacity) flags.HeapCapacity = flags.HeapMin;
  if (flags.HeapMin == 0) flags.HeapMin = flags.HeapCapacity;
  // The block, its reserve and the alignment slack must stay addressable.
  constexpr uint64_t kLargestHeap = 0x7fff0000;
  if (flags.HeapMin <= 0 || static_cast<uint64_t>(flags.HeapCapacity) > kLargestHeap) return 0;
  const uint32_t size = static_cast<uint32_t>(roundUp64(static_cast<uint32_t>(flags.HeapMin), kHeapAlignment));
  const uint32_t fixed = flags.HeapMin == flags.HeapCapacity;
  const uint32_t capacity =
      fixed ? size : static_cast<uint32_t>(roundUp64(static_cast<uint32_t>(flags.HeapCapacity), kHeapAlignment));

  const HeapGeometry geometry = vsJavaHeap_geometry(capacity, imageReadOnlySize, imageWritableSize);
  const Reservation want = reservationFor(size, capacity, geometry);

  JavaHeapState& h = vsJavaHeap;
  if (h.blockStart != 0) {
    // A repeated set-up resizes the reservations; a failure keeps the old
    // geometry.
    const uint32_t oldBlock = vsAlignedArea_resize(h.blockStart, want.blockUsed);
    if (oldBlock == 0) return 0;
    if (vsAlignedArea_resize(h.sideTable, want.sideBytes) == 0) {
      vsAlignedArea_resize(h.blockStart, oldBlock);
      return 0;
    }
  } else {
    h.blockStart = vsAlignedArea_alloc(want.blockUsed, want.blockCapacity, kHeapAlignment);
    if (h.blockStart == 0) return 0;
    h.sideTable = vsAlignedArea_alloc(want.sideBytes, want.sideBytes, kHeapAlignment);
    if (h.sideTable == 0) {
      vsAlignedArea_free(h.blockStart);
      h.blockStart = 0;
      return 0;
    }
  }

  h.fixed = fixed;
  h.geometry = geometry;
  h.imageReadOnlySize = imageReadOnlySize;
  h.imageWritableSize = imageWritableSize;
  h.bitmap = h.sideTable;
  h.blockTable = h.sideTable + bitmapBytes(capacity);
  h.heapSizeSetting = size;
  h.maxArrayLength = kMaxNativeByteArrayLength;

  VmGlobals& g = vsVmGlobals;
  const VmWord start = h.blockStart;
  g.heapLow = start;
  g.heapHigh = start + size;
  g.cardBitmapBase = h.bitmap - (start >> 7) * 4;
  g.allocationTop = start;
  g.allocationEnd = g.heapHigh;
  h.youngStart = h.oldTop = h.collectionStart = start;
  h.youngTarget = roundDown(size / 5 + 3, 4);
  std::memset(vsWord_toPointer(h.sideTable), 0, want.sideBytes);

  h.nativeUpper = start + want.blockUsed;
  h.nativeLower = h.nativeTop = h.nativeUpper;
  h.nativeSize = 0;
  h.freeListHead = h.freeListLast = 0;
  h.freeTotal = h.largestFree = 0;
  h.stackChunkList = 0;
  vsJit_heapWords = JitHeapWords{0, 1, 0};
  if (fixed && vsJavaHeap_setNativeAreaSize(static_cast<uint32_t>(uint64_t{capacity} * 50 / 100)) == 0)
    return 0;
  return 1;
}

void vsJavaHeap_reset() {
  JavaHeapState& h = vsJavaHeap;
  if (h.sideTable != 0) vsAlignedArea_free(h.sideTable);
  if (h.blockStart != 0) vsAlignedArea_free(h.blockStart);
  h = JavaHeapState{};
  VmGlobals& g = vsVmGlobals;
  g.heapLow = g.heapHigh = 0;
  g.cardBitmapBase = 0;
  g.allocationTop = g.allocationEnd = 0;
}

VmWord vsJavaHeap_allocate(uint32_t size) {
  size = roundDown(size, 4);
  vsGC_stressPoint(size);
  VmGlobals& g = vsVmGlobals;
  for (;;) {
    const VmWord top = g.allocationTop;
    const VmWord newTop = top + size;
    if (newTop >= top && newTop <= g.allocationEnd) {
      std::memset(vsWord_toPointer(top), 0, size);
      g.allocationTop = newTop;
      return top;
    }
    vsGC_collectFront(size);
    if (vsException_isPending()) return 0;
  }
}

uint32_t vsJavaHeap_freeMemory() {
  const VmGlobals& g = vsVmGlobals;
  return (g.heapHigh - g.allocationTop) + (vsJavaHeap.youngStart - vsJavaHeap.oldTop);
}

uint32_t vsJavaHeap_usedMemory() {
  const VmGlobals& g = vsVmGlobals;
  return (g.allocationTop - vsJavaHeap.youngStart) + (vsJavaHeap.oldTop - g.heapLow);
}

uint32_t vsJavaHeap_totalMemory() { return vsVmGlobals.heapHigh - vsVmGlobals.heapLow; }

uint32_t vsJavaHeap_nativeFreeMemory() {
  const JavaHeapState& h = vsJavaHeap;
  return roundDown(h.freeTotal + (h.nativeTop - h.nativeLower), 4);
}

uint32_t vsJavaHeap_nativeAreaSize() { return vsJavaHeap.nativeSize; }

uint32_t vsJavaHeap_heapSizeSetting() { return vsJavaHeap.heapSizeSetting; }

int32_t vsJavaHeap_setNativeAreaSize(uint32_t nativeSize) {
  JavaHeapState& h = vsJavaHeap;
  VmGlobals& g = vsVmGlobals;
  const uint64_t blockEnd = h.nativeUpper;
  const uint64_t wanted = uint64_t{nativeSize} + kHeapReserveBytes;
  uint64_t newEnd = wanted <= blockEnd - g.heapLow ? roundDown64(blockEnd - wanted) : g.heapLow;
  const uint64_t least = uint64_t{g.allocationTop} + kMinJavaSpaceAboveTop;
  if (newEnd < least) {
    newEnd = roundUp64(least, kHeapAlignment);
    if (newEnd >= g.heapHigh) return 0;
  }
  const uint64_t newLower = newEnd + kHeapReserveBytes;
  if (newLower > h.nativeTop) return 0;
  g.heapHigh = static_cast<VmWord>(newEnd);
  if (g.allocationEnd > g.heapHigh) g.allocationEnd = g.heapHigh;
  h.youngTarget = (g.heapHigh - g.heapLow) / 5;
  h.nativeLower = static_cast<VmWord>(newLower);
  h.nativeSize = h.nativeUpper - h.nativeLower;
  clearBitmap(g.heapHigh, h.nativeUpper);
  return 1;
}

int32_t vsJavaHeap_giveSpaceToJavaPart(uint32_t shortfall) {
  const JavaHeapState& h = vsJavaHeap;
  if (!h.fixed) return 0;
  const uint32_t f = h.nativeTop - h.nativeLower;
  const uint32_t d = static_cast<uint32_t>(roundUp64(shortfall, kHeapAlignment));
  if (f < d || f < kHeapAlignment) return 0;
  const uint64_t target = (uint64_t{h.nativeSize} - (f - d) / 2 - d + 127) & ~uint64_t{127};
  return vsJavaHeap_setNativeAreaSize(static_cast<uint32_t>(target));
}

int32_t vsJavaHeap_giveSpaceToNativeArea(uint32_t shortfall) {
  const JavaHeapState& h = vsJavaHeap;
  if (!h.fixed) return 0;
  const uint32_t d = static_cast<uint32_t>(roundUp64(shortfall, kHeapAlignment));
  const uint32_t j = roundDown(vsVmGlobals.heapHigh - vsVmGlobals.allocationTop, 4);
  if (j < d || j < kHeapAlignment) return 0;
  const uint64_t target = (uint64_t{h.nativeSize} + (j - d) / 2 + d) & ~uint64_t{127};
  return vsJavaHeap_setNativeAreaSize(static_cast<uint32_t>(target));
}
