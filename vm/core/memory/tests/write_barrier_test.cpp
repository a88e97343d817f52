// The write barrier and the bitmap operations.
#include <gtest/gtest.h>

#include <vector>

#include "tests/core/heap_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/native_area.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"

namespace {

using WriteBarrierTest = HeapTest;

// A free, word-aligned run of the Java part, its bits cleared.
VmWord clearedRegion(uint32_t bytes) {
  const VmWord start = (vsVmGlobals.allocationTop + 127) & ~VmWord{127};
  vsGC_clearBits(start, start + bytes + 512);
  return start;
}

TEST_F(WriteBarrierTest, OnlyNonNullStoresIntoTheHeapSetBits) {
  VmRef array = vsJavaHeap_newObjectArray(4);
  ObjectArray* a = vsRef_as<ObjectArray>(array);
  vsGC_clearBits(array, array + 24);
  vsJavaHeap_storeReference(&a->elements[1], vsRoot(kRootObject));
  vsJavaHeap_storeReference(&a->elements[2], 0);
  EXPECT_FALSE(vsGC_testBit(vsRef_of(&a->elements[0])));
  EXPECT_TRUE(vsGC_testBit(vsRef_of(&a->elements[1])));
  EXPECT_FALSE(vsGC_testBit(vsRef_of(&a->elements[2])));
  EXPECT_EQ(a->elements[1], vsRoot(kRootObject));

  // A slot of the native area lies outside [heap start, heap end).
  VmRef block;
  ASSERT_NE(vsJavaHeap_newOldByteArray(8, &block), 0u);
  VmWord* slot = vsRef_as<VmWord>(block + 8);
  vsJavaHeap_storeReference(slot, vsRoot(kRootObject));
  EXPECT_EQ(*slot, vsRoot(kRootObject));
  EXPECT_FALSE(vsGC_testBit(vsRef_of(slot)));
  // And so does a slot outside the reserved block.
  VmWord outside = 0;
  vsJavaHeap_storeReference(&outside, vsRoot(kRootObject));
  EXPECT_EQ(outside, vsRoot(kRootObject));
}

TEST_F(WriteBarrierTest, StoreIfHeapReferenceUsesTheBarrierForHeapValuesOnly) {
  VmRef array = vsJavaHeap_newIntArray(2);
  VmWord* slots = vsRef_as<VmWord>(array + 8);
  vsGC_clearBits(array, array + 16);
  vsJavaHeap_storeIfHeapReference(&slots[0], 0x1234);
  vsJavaHeap_storeIfHeapReference(&slots[1], vsRoot(kRootObject));
  EXPECT_EQ(slots[0], 0x1234u);
  EXPECT_FALSE(vsGC_testBit(vsRef_of(&slots[0])));
  EXPECT_TRUE(vsGC_testBit(vsRef_of(&slots[1])));
}

TEST_F(WriteBarrierTest, BitOfAnAddressIsInTheBiasedWord) {
  const VmWord a = clearedRegion(256) + 5 * 4;
  EXPECT_FALSE(vsGC_testAndSetBit(a));
  EXPECT_TRUE(vsGC_testAndSetBit(a));
  const uint32_t* word = vsWord_toPointer<uint32_t>(vsVmGlobals.cardBitmapBase + (a >> 7) * 4);
  EXPECT_EQ(*word, 1u << ((a >> 2) & 31));
  EXPECT_EQ(word, vsWord_toPointer<uint32_t>(vsJavaHeap.bitmap) + (a - vsVmGlobals.heapLow) / 128);
}

TEST_F(WriteBarrierTest, SetBitRangeEqualsSettingBitByBit) {
  const VmWord base = clearedRegion(4096);
  for (int32_t n : {-1, 0, 1, 31, 32, 33, 64, 65, 100}) {
    for (uint32_t align = 0; align < 32; ++align) {
      const VmWord start = base + 4 * align;
      vsGC_setBitRange(start, n);
      const std::vector<uint32_t> range(vsGC_bitmapWord(base), vsGC_bitmapWord(base) + 8);
      vsGC_clearBits(base, base + 1024);
      for (int32_t i = 0; i < n; ++i) vsGC_setBit(start + 4 * i);
      const std::vector<uint32_t> expected(vsGC_bitmapWord(base), vsGC_bitmapWord(base) + 8);
      EXPECT_EQ(range, expected) << "n " << n << " alignment " << align;
      vsGC_clearBits(base, base + 1024);
    }
  }
}

TEST_F(WriteBarrierTest, ForEachSetBitVisitsInOrderWithinTheRange) {
  const VmWord base = clearedRegion(1024);
  const std::vector<VmWord> set = {base, base + 4, base + 124, base + 128, base + 600, base + 1020};
  for (VmWord a : set) vsGC_setBit(a);
  static std::vector<VmWord> seen;
  seen.clear();
  vsGC_forEachSetBit([](VmWord a) { seen.push_back(a); }, base + 4, base + 1020);
  EXPECT_EQ(seen, (std::vector<VmWord>{base + 4, base + 124, base + 128, base + 600}));
}

TEST_F(WriteBarrierTest, ClearBitsClearsExactlyTheRange) {
  const VmWord base = clearedRegion(1024);
  vsGC_setBitRange(base, 256);
  vsGC_clearBits(base + 8, base + 900);
  for (VmWord a = base; a < base + 1024; a += 4)
    EXPECT_EQ(vsGC_testBit(a), a < base + 8 || a >= base + 900) << a - base;
}

}  // namespace
