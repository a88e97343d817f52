// Aligned areas over the reserved-block allocator.
#include "vm/core/memory/aligned_area.h"

#include <gtest/gtest.h>

#include "ce/substrate/low_memory.h"
#include "vm/core/startup/memory_split.h"

namespace {

class AlignedAreaTest : public testing::Test {
 protected:
  void SetUp() override {
    block_ = vsLow_alloc(kBytes);
    ASSERT_NE(block_, nullptr);
    // An odd start, so that alignment has work to do.
    vsVm_sizeHeap({vsWord_fromPointer(block_) + 4, kBytes - 4}, 0, 0);
  }
  void TearDown() override {
    vsAlignedArea_free(first_);
    vsAlignedArea_free(second_);
    vsLow_free(block_);
  }

  static constexpr uint32_t kBytes = 1u << 20;
  void* block_ = nullptr;
  VmWord first_ = 0;
  VmWord second_ = 0;
};

TEST_F(AlignedAreaTest, TwoSlotsAlignedUp) {
  first_ = vsAlignedArea_alloc(1000, 4000, 128);
  second_ = vsAlignedArea_alloc(64, 64, 4096);
  ASSERT_NE(first_, 0u);
  ASSERT_NE(second_, 0u);
  EXPECT_EQ(first_ % 128, 0u);
  EXPECT_EQ(second_ % 4096, 0u);
  EXPECT_GE(second_, first_ + 4000);
  EXPECT_EQ(vsAlignedArea_alloc(8, 8, 8), 0u);  // both slots are taken
  vsAlignedArea_free(second_);
  second_ = vsAlignedArea_alloc(8, 8, 8);
  EXPECT_NE(second_, 0u);
}

TEST_F(AlignedAreaTest, ResizeWithinTheCapacity) {
  first_ = vsAlignedArea_alloc(1000, 4000, 128);
  EXPECT_EQ(vsAlignedArea_resize(first_, 4000), 1000u);
  EXPECT_EQ(vsAlignedArea_resize(first_, 4001), 0u);
  EXPECT_EQ(vsAlignedArea_resize(first_, 10), 4000u);
  EXPECT_EQ(vsAlignedArea_resize(first_ + 4, 10), 0u);  // not an area
}

TEST_F(AlignedAreaTest, RefusedRequests) {
  EXPECT_EQ(vsAlignedArea_alloc(10, 5, 8), 0u);
  EXPECT_EQ(vsAlignedArea_alloc(10, 10, 12), 0u);
  EXPECT_EQ(vsAlignedArea_alloc(10, 2u << 20, 8), 0u);  // more than is reserved
  first_ = vsAlignedArea_alloc(8, 8, 8);
  EXPECT_NE(first_, 0u);
  vsAlignedArea_free(first_ + 8);  // ignored: the area stays
  EXPECT_EQ(vsAlignedArea_resize(first_, 4), 8u);
}

}  // namespace
