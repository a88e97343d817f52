// Geometry and set-up of the Java heap.
#include <gtest/gtest.h>

#include "ce/substrate/low_memory.h"
#include "tests/core/heap_fixture.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/memory_split.h"
#include "vm/core/startup/vm_flags.h"

namespace {

TEST(HeapGeometryTest, FollowsTheHeapAndTheImageSizes) {
  const struct {
    uint32_t size;
    uint32_t readOnly;
    uint32_t writable;
    uint32_t b;
    uint32_t blockWords;
  } cases[] = {
      {1u << 20, 0, 0, 19, 4096},
      {1u << 20, 583416, 14840, 21, 1024},
      {1u << 20, 0, 583416, 21, 1024},
      {4u << 20, 0, 0, 21, 1024},
      {65536, 0, 0, 15, 65536},
  };
  for (const auto& c : cases) {
    const HeapGeometry g = vsJavaHeap_geometry(c.size, c.readOnly, c.writable);
    EXPECT_EQ(g.b, c.b) << c.size << " " << c.readOnly;
    EXPECT_EQ(g.blockWords, c.blockWords);
    EXPECT_EQ(g.classRefFlag, 1u << c.b);
    EXPECT_EQ(g.classRefMask, (1u << c.b) - 1);
    EXPECT_EQ(g.offsetShift, c.b + 1);
    EXPECT_EQ(g.highMask, ~((2u << c.b) - 1));
    EXPECT_EQ(g.blockCount, (c.size + 4 * c.blockWords - 1) / (4 * c.blockWords));
  }
}

using JavaHeapTest = HeapTest;

TEST_F(JavaHeapTest, SetUpUsesTheComputedGeometry) {
  EXPECT_EQ(vsJavaHeap.geometry.b, 19u);
  EXPECT_EQ(vsJavaHeap.geometry.blockWords, 4096u);
  EXPECT_EQ(vsVmGlobals.heapLow % kHeapAlignment, 0u);
  EXPECT_EQ(vsVmGlobals.heapHigh % kHeapAlignment, 0u);
  EXPECT_EQ(vsVmGlobals.classTable, vsRoot(kRootClassTable) + 8);
  EXPECT_EQ(vsJavaHeap_heapSizeSetting(), kTestHeapBytes);
  EXPECT_EQ(vsJavaHeap_totalMemory(), vsVmGlobals.heapHigh - vsVmGlobals.heapLow);
  EXPECT_EQ(vsJavaHeap_freeMemory() + vsJavaHeap_usedMemory(), vsJavaHeap_totalMemory());
}

TEST_F(JavaHeapTest, RepeatedSetUpResizesTheReservations) {
  const VmWord block = vsJavaHeap.blockStart;
  vsVmFlags().HeapMin = vsVmFlags().HeapCapacity = kTestHeapBytes / 2;
  ASSERT_EQ(vsJavaHeap_setup(0, 0), 1);
  EXPECT_EQ(vsJavaHeap.blockStart, block);
  EXPECT_EQ(vsVmGlobals.heapLow, block);
  EXPECT_EQ(vsVmGlobals.allocationTop, block);
  EXPECT_EQ(vsJavaHeap_heapSizeSetting(), kTestHeapBytes / 2);
  EXPECT_EQ(vsJavaHeap.nativeUpper, block + kTestHeapBytes / 2 + kHeapReserveBytes);

  // More than the first reservation holds: refused, the heap stays.
  const VmWord end = vsVmGlobals.heapHigh;
  vsVmFlags().HeapMin = vsVmFlags().HeapCapacity = kTestHeapBytes * 2;
  EXPECT_EQ(vsJavaHeap_setup(0, 0), 0);
  EXPECT_EQ(vsVmGlobals.heapHigh, end);
  EXPECT_EQ(vsJavaHeap_heapSizeSetting(), kTestHeapBytes / 2);
}

class HeapSetUpTest : public testing::Test {
 protected:
  void SetUp() override {
    area_ = vsLow_alloc(kArea);
    ASSERT_NE(area_, nullptr);
    vsVm_sizeHeap({vsWord_fromPointer(area_), kArea}, 0, 0);
  }
  void TearDown() override {
    vsJavaHeap_reset();
    vsLow_free(area_);
  }
  static int32_t setUp(int32_t heapMin, int32_t heapCapacity) {
    vsVmFlags().HeapMin = heapMin;
    vsVmFlags().HeapCapacity = heapCapacity;
    return vsJavaHeap_setup(0, 0);
  }

  static constexpr uint32_t kArea = 256u << 10;
  void* area_ = nullptr;
};

TEST_F(HeapSetUpTest, FlagsRule) {
  ASSERT_EQ(setUp(100000, 50000), 1);  // HeapCapacity is raised to HeapMin
  EXPECT_EQ(vsVmFlags().HeapCapacity, 100000);
  EXPECT_EQ(vsJavaHeap_heapSizeSetting(), (100000u + 127) & ~127u);
  EXPECT_EQ(vsJavaHeap.fixed, 1u);
  vsJavaHeap_reset();
  vsVm_sizeHeap({vsWord_fromPointer(area_), kArea}, 0, 0);
  ASSERT_EQ(setUp(0, 131072), 1);  // HeapMin 0 means HeapCapacity
  EXPECT_EQ(vsVmFlags().HeapMin, 131072);
  EXPECT_EQ(vsJavaHeap_nativeAreaSize(), 65536u);
}

TEST_F(HeapSetUpTest, Failures) {
  EXPECT_EQ(setUp(-5, 0), 0);
  EXPECT_EQ(setUp(0, 0), 0);
  EXPECT_EQ(setUp(1u << 20, 1u << 20), 0);  // more than the reserved area
  EXPECT_EQ(vsJavaHeap.blockStart, 0u);
  // A fixed heap too small to keep 30720 bytes of Java space beside a
  // native area.
  EXPECT_EQ(setUp(30720, 30720), 0);
}

}  // namespace
