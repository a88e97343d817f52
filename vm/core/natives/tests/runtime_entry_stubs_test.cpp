// The entry stubs reach their routines with arguments and results intact.
#include "vm/core/natives/runtime_entry_stubs.h"

#include <gtest/gtest.h>

#include "vm/core/natives/soft_double.h"

namespace {

TEST(RuntimeEntryStubs, BranchToTheirRoutines) {
  const uint64_t longs[] = {0, 1, 0x0020000000000003, 0x7FFFFFFFFFFFFFFF, 0x8000000000000000,
                            0xFFFFFFFFFFFFFF00};
  for (uint64_t l : longs) {
    EXPECT_EQ(vsRuntime_l2fEntry(l), vsRuntime_l2f(l)) << l;
    EXPECT_EQ(vsRuntime_l2dEntry(l), vsRuntime_l2d(l)) << l;
  }
  const uint32_t floats[] = {0, 0x00000001, 0x3F800000, 0xCF000000, 0x5F000000, 0x7FC00000,
                             0xFF800000};
  for (uint32_t f : floats) {
    EXPECT_EQ(vsRuntime_f2lEntry(f), vsRuntime_f2l(f)) << f;
    EXPECT_EQ(vsRuntime_f2dEntry(f), vsRuntime_f2d(f)) << f;
  }
  const uint64_t doubles[] = {0, 0x8000000000000000, 0x3FF0000010000000, 0xC3E0000000000000,
                              0x7FF0000000000000, 0x7FF8000000000000, 0x36A0000000000000};
  for (uint64_t d : doubles) {
    EXPECT_EQ(vsRuntime_d2lEntry(d), vsRuntime_d2l(d)) << d;
    EXPECT_EQ(vsRuntime_d2fEntry(d), vsRuntime_d2f(d)) << d;
  }
  // A few results spelled out, so that a stub bound to the wrong routine of
  // the same shape cannot pass.
  EXPECT_EQ(vsRuntime_l2fEntry(0x0000000001000003), 0x4B800002u);
  EXPECT_EQ(vsRuntime_l2dEntry(0x7FFFFFFFFFFFFFFF), 0x43E0000000000000u);
  EXPECT_EQ(vsRuntime_f2lEntry(0xC0600000), 0xFFFFFFFFFFFFFFFDu);
  EXPECT_EQ(vsRuntime_f2dEntry(0x00000001), 0x36A0000000000000u);
  EXPECT_EQ(vsRuntime_d2lEntry(0x7FF0000000000000), 0x7FFFFFFFFFFFFFFFu);
  EXPECT_EQ(vsRuntime_d2fEntry(0x3FF0000030000000), 0x3F800002u);
}

}  // namespace
