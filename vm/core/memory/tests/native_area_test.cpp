// Native-area blocks, the free list, pinning, and the boundary between the
// Java part and the native area.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/core/exception_double.h"
#include "tests/core/heap_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/native_area.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"

namespace {

using NativeAreaTest = HeapTest;

// Bytes of the block of an n-byte native array.
uint32_t blockBytes(uint32_t n) { return ((n + 11) & ~3u) + 16; }

TEST_F(NativeAreaTest, FixedHeapGivesHalfOfItsCapacityToTheNativeArea) {
  EXPECT_EQ(vsJavaHeap_nativeAreaSize(), vsJavaHeap.nativeUpper - vsJavaHeap.nativeLower);
  EXPECT_EQ(vsJavaHeap.nativeLower, vsVmGlobals.heapHigh + kHeapReserveBytes);
  EXPECT_EQ(vsVmGlobals.heapHigh - vsVmGlobals.heapLow, kTestHeapBytes / 2);
  EXPECT_EQ(vsJavaHeap_nativeFreeMemory(), vsJavaHeap.nativeTop - vsJavaHeap.nativeLower);
}

TEST_F(NativeAreaTest, BlocksAreCarvedDownwardFromTheTop) {
  const VmWord top = vsJavaHeap.nativeTop;
  VmRef a;
  VmRef b;
  ASSERT_NE(vsJavaHeap_newOldByteArray(10, &a), 0u);
  ASSERT_NE(vsJavaHeap_newOldByteArray(3, &b), 0u);
  EXPECT_EQ(a, top - blockBytes(10) + 16);
  EXPECT_EQ(b, a - 16 - blockBytes(3) + 16);
  EXPECT_EQ(vsJavaHeap.nativeTop, b - 16);
  EXPECT_TRUE(vsObject_isByteArray(a));
  EXPECT_EQ(vsRef_as<ArrayObject>(a)->length, 10);
  EXPECT_EQ(vsRef_as<VmWord>(a)[0], a - 16);
}

TEST_F(NativeAreaTest, BadSizeOfAnOldByteArrayGivesZeroAndRaisesNothing) {
  VmRef out = 1;
  EXPECT_EQ(vsJavaHeap_newOldByteArray(-1, &out), 0u);
  EXPECT_EQ(out, 0u);
  EXPECT_EQ(vsJavaHeap_newOldByteArray(0x7ffffff5, &out), 0u);
  EXPECT_FALSE(vsException_isPending());
}

TEST_F(NativeAreaTest, NativeByteArraysCarryANonZeroThirtyBitHash) {
  for (int i = 0; i < 50; ++i) {
    const VmRef array = vsJavaHeap_newNativeByteArray(i);
    ASSERT_NE(array, 0u);
    const uint32_t word = vsRef_as<NativeBlockHeader>(array - 16)->near.hashAndLock;
    EXPECT_NE(word >> 2, 0u);
    EXPECT_EQ(word & 3, 0u);
  }
}

TEST_F(NativeAreaTest, NativeByteArrayFailures) {
  EXPECT_EQ(vsJavaHeap_newNativeByteArray(-1), 0u);
  EXPECT_EQ(vsTestException_last().className, "java/lang/NegativeArraySizeException");
  vsTestException_clear();
  EXPECT_EQ(vsJavaHeap_newNativeByteArray(0x7ffffff5), 0u);
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
  vsTestException_clear();
  // Larger than the heap size setting: refused before any collection.
  EXPECT_EQ(vsJavaHeap_newNativeByteArray(static_cast<int32_t>(kTestHeapBytes)), 0u);
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
}

// A free list built in a region taken off the top, with no room left at
// the top, so that blocks come from the list.
class FreeListTest : public NativeAreaTest {
 protected:
  void SetUp() override {
    NativeAreaTest::SetUp();
    JavaHeapState& h = vsJavaHeap;
    h.nativeTop -= 4096;
    region_ = h.nativeTop;
    h.nativeLower = h.nativeTop;
  }
  VmWord at(uint32_t offset) const { return region_ + offset; }

  VmWord region_ = 0;
};

TEST_F(FreeListTest, BestFitTakesTheFirstOfEqualEntries) {
  vsJavaHeap_addNativeFreeEntry(at(0), 64);
  vsJavaHeap_addNativeFreeEntry(at(256), 48);
  vsJavaHeap_addNativeFreeEntry(at(512), 48);
  vsJavaHeap_addNativeFreeEntry(at(1024), 100);
  EXPECT_EQ(vsJavaHeap.freeTotal, 260u);
  EXPECT_EQ(vsJavaHeap.largestFree, 100u);
  VmRef a;
  ASSERT_NE(vsJavaHeap_newOldByteArray(24, &a), 0u);  // a 48-byte block
  EXPECT_EQ(a, at(256) + 16);
  EXPECT_EQ(vsJavaHeap.freeTotal, 212u);
  VmRef b;
  ASSERT_NE(vsJavaHeap_newOldByteArray(24, &b), 0u);
  EXPECT_EQ(b, at(512) + 16);
  EXPECT_EQ(vsJavaHeap.freeListHead, at(0));
}

TEST_F(FreeListTest, RemainderBelowTwentyEightUnlinksTheWholeEntry) {
  vsJavaHeap_addNativeFreeEntry(at(0), 72);
  vsJavaHeap_addNativeFreeEntry(at(512), 100);
  VmRef a;
  ASSERT_NE(vsJavaHeap_newOldByteArray(24, &a), 0u);  // 48 bytes: remainder 24
  EXPECT_EQ(a, at(24) + 16);                          // the tail of the entry
  EXPECT_EQ(vsJavaHeap.freeListHead, at(512));
  EXPECT_EQ(vsJavaHeap.freeTotal, 100u);              // dropped by all 72 bytes
  EXPECT_EQ(vsJavaHeap_nativeFreeMemory(), 100u);
}

TEST_F(FreeListTest, LargerRemainderStaysInTheList) {
  vsJavaHeap_addNativeFreeEntry(at(512), 100);
  VmRef a;
  ASSERT_NE(vsJavaHeap_newOldByteArray(24, &a), 0u);
  EXPECT_EQ(a, at(512 + 52) + 16);
  EXPECT_EQ(vsRef_as<uint32_t>(at(512))[0], 52u);
  EXPECT_EQ(vsJavaHeap.freeTotal, 52u);
  EXPECT_EQ(vsJavaHeap.largestFree, 52u);
}

TEST_F(FreeListTest, NothingFitsGivesZero) {
  vsJavaHeap_addNativeFreeEntry(at(0), 40);
  VmRef a;
  EXPECT_EQ(vsJavaHeap_newOldByteArray(100, &a), 0u);
  EXPECT_FALSE(vsException_isPending());
}

TEST_F(NativeAreaTest, PinningCountsOnlyNativeBlocks) {
  VmRef block;
  ASSERT_NE(vsJavaHeap_newOldByteArray(8, &block), 0u);
  EXPECT_EQ(vsObject_incrementPinCount(block), 1u);
  EXPECT_EQ(vsObject_incrementPinCount(block), 2u);
  EXPECT_EQ(vsObject_decrementPinCount(block), 1u);

  const VmRef before = vsJavaHeap_newIntArray(1);
  vsRef_as<IntArray>(before)->elements[0] = 0x12345678;
  const VmRef javaArray = vsJavaHeap_newByteArray(4);
  VmWord saved[3];
  std::memcpy(saved, vsRef_as<VmWord>(before), sizeof saved);
  EXPECT_EQ(vsObject_incrementPinCount(javaArray), 0u);
  EXPECT_EQ(vsObject_decrementPinCount(javaArray), 0u);
  EXPECT_EQ(std::memcmp(saved, vsRef_as<VmWord>(before), sizeof saved), 0);
  EXPECT_EQ(vsObject_incrementPinCount(0), 0u);
}

TEST_F(NativeAreaTest, HeapEndStaysThirtyKilobytesAboveTheTop) {
  const VmWord top = vsVmGlobals.allocationTop;
  ASSERT_EQ(vsJavaHeap_setNativeAreaSize(vsJavaHeap.nativeUpper - top), 1);
  const VmWord expected = (top + 30720 + 127) & ~VmWord{127};
  EXPECT_EQ(vsVmGlobals.heapHigh, expected);
  EXPECT_EQ(vsVmGlobals.allocationEnd, expected);
  EXPECT_EQ(vsJavaHeap.nativeLower, expected + kHeapReserveBytes);
  EXPECT_EQ(vsJavaHeap.youngTarget, (expected - vsVmGlobals.heapLow) / 5);
  // Asking again cannot move heap end any lower.
  EXPECT_EQ(vsJavaHeap_setNativeAreaSize(vsJavaHeap.nativeUpper - top), 0);
  EXPECT_EQ(vsVmGlobals.heapHigh, expected);
}

TEST_F(NativeAreaTest, NativeAreaNeverShrinksPastItsTop) {
  VmRef a;
  ASSERT_NE(vsJavaHeap_newOldByteArray(1000, &a), 0u);
  const VmWord end = vsVmGlobals.heapHigh;
  EXPECT_EQ(vsJavaHeap_setNativeAreaSize(512), 0);
  EXPECT_EQ(vsVmGlobals.heapHigh, end);
  // A shrink that keeps the block inside the area is allowed.
  const uint32_t keep = vsJavaHeap.nativeUpper - vsJavaHeap.nativeTop + 4096;
  EXPECT_EQ(vsJavaHeap_setNativeAreaSize(keep), 1);
  EXPECT_LE(vsJavaHeap.nativeLower, vsJavaHeap.nativeTop);
  EXPECT_GT(vsVmGlobals.heapHigh, end);
}

TEST_F(NativeAreaTest, SpaceMovesBetweenTheParts) {
  const uint32_t native = vsJavaHeap.nativeSize;
  const uint32_t f = vsJavaHeap.nativeTop - vsJavaHeap.nativeLower;
  ASSERT_EQ(vsJavaHeap_giveSpaceToJavaPart(1000), 1);
  EXPECT_EQ(vsJavaHeap.nativeSize, (native - (f - 1024) / 2 - 1024 + 127) & ~127u);

  const uint32_t nativeNow = vsJavaHeap.nativeSize;
  const uint32_t j = (vsVmGlobals.heapHigh - vsVmGlobals.allocationTop) & ~3u;
  ASSERT_EQ(vsJavaHeap_giveSpaceToNativeArea(200), 1);
  EXPECT_EQ(vsJavaHeap.nativeSize, (nativeNow + (j - 256) / 2 + 256) & ~127u);
}

class GrowableHeapTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(vsTestHeap_boot(kTestHeapBytes / 2, kTestHeapBytes)); }
  void TearDown() override { vsTestHeap_shutdown(); }
};

TEST_F(GrowableHeapTest, KeepsAnEmptyNativeArea) {
  EXPECT_EQ(vsJavaHeap.fixed, 0u);
  EXPECT_EQ(vsJavaHeap_nativeAreaSize(), 0u);
  EXPECT_EQ(vsVmGlobals.heapHigh - vsVmGlobals.heapLow, kTestHeapBytes / 2);
  EXPECT_EQ(vsJavaHeap_giveSpaceToNativeArea(128), 0);
  VmRef a;
  EXPECT_EQ(vsJavaHeap_newOldByteArray(1, &a), 0u);
}

}  // namespace
