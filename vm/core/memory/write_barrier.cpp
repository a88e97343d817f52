// Write barrier and bitmap operations (see write_barrier.h).
#include "vm/core/memory/write_barrier.h"

#include "vm/core/model/vm_globals.h"

namespace {

inline bool insideHeap(VmWord a) {
  return a - vsVmGlobals.heapLow < vsVmGlobals.heapHigh - vsVmGlobals.heapLow;
}

inline uint32_t bitOf(VmWord address) { return uint32_t{1} << ((address >> 2) & 31); }

}  // namespace

uint32_t* vsGC_bitmapWord(VmWord address) {
  return vsWord_toPointer<uint32_t>(vsVmGlobals.cardBitmapBase + (address >> 7) * 4);
}

void vsJavaHeap_storeReference(VmWord* slot, VmWord value) {
  *slot = value;
  const VmWord a = vsWord_fromPointer(slot);
  if (value != 0 && insideHeap(a)) vsGC_setBit(a);
}

void vsJavaHeap_storeIfHeapReference(VmWord* slot, VmWord value) {
  if (insideHeap(value))
    vsJavaHeap_storeReference(slot, value);
  else
    *slot = value;
}

void vsGC_setBit(VmWord address) { *vsGC_bitmapWord(address) |= bitOf(address); }

bool vsGC_testBit(VmWord address) { return (*vsGC_bitmapWord(address) & bitOf(address)) != 0; }

bool vsGC_testAndSetBit(VmWord address) {
  uint32_t* w = vsGC_bitmapWord(address);
  const uint32_t bit = bitOf(address);
  const bool was = (*w & bit) != 0;
  *w |= bit;
  return was;
}

void vsGC_clearBits(VmWord from, VmWord to) {
  from &= ~VmWord{3};
  while (from < to && (from & 127) != 0) {
    *vsGC_bitmapWord(from) &= ~bitOf(from);
    from += 4;
  }
  while (to - from >= 128 && from < to) {
    *vsGC_bitmapWord(from) = 0;
    from += 128;
  }
  while (from < to) {
    *vsGC_bitmapWord(from) &= ~bitOf(from);
    from += 4;
  }
}

void vsGC_forEachSetBit(GcAddressVisitor visitor, VmWord from, VmWord to) {
  from &= ~VmWord{3};
  while (from < to) {
    const uint32_t word = *vsGC_bitmapWord(from);
    const VmWord group = from & ~VmWord{127};
    if (word == 0) {
      from = group + 128;
      continue;
    }
    for (uint32_t bit = (from >> 2) & 31; bit < 32; ++bit) {
      const VmWord a = group + bit * 4;
      if (a >= to) return;
      if (word & (uint32_t{1} << bit)) visitor(a);
    }
    from = group + 128;
  }
}

void vsGC_forEachSetBitDown(GcAddressVisitor visitor, VmWord from, VmWord to) {
  from &= ~VmWord{3};
  VmWord at = to;
  while (at > from) {
    const VmWord group = (at - 4) & ~VmWord{127};
    const uint32_t word = *vsGC_bitmapWord(group);
    if (word != 0) {
      for (uint32_t bit = ((at - 4) >> 2) & 31;; --bit) {
        const VmWord a = group + bit * 4;
        if (a < from) return;
        if (word & (uint32_t{1} << bit)) visitor(a);
        if (bit == 0) break;
      }
    }
    at = group;
  }
}

void vsGC_setBitRange(VmWord address, int32_t n) {
  if (n <= 0) return;
  address &= ~VmWord{3};
  uint32_t left = static_cast<uint32_t>(n);
  if (left >= 32) {
    // Up to the next group of 32 words bit by bit (a whole group when the
    // address is already on a boundary), then whole bitmap words.
    do {
      vsGC_setBit(address);
      address += 4;
      --left;
    } while ((address & 127) != 0);
    while (left >= 32) {
      *vsGC_bitmapWord(address) = ~uint32_t{0};
      address += 128;
      left -= 32;
    }
  }
  for (; left > 0; --left, address += 4) vsGC_setBit(address);
}
