#include "vm/core/model/sticky_shift.h"

#include <gtest/gtest.h>

namespace {

struct Shift64Case {
  uint64_t value;
  uint32_t n;
  uint64_t expected;
};

TEST(StickyShift, Right64) {
  const Shift64Case cases[] = {
      {0x123456789ABCDEF0, 0, 0x123456789ABCDEF0},  // count 0: unchanged
      {0xB6, 3, 0x17},                              // 110 lost -> sticky
      {0xB0, 3, 0x16},                              // only zeros lost
      {0xB8, 3, 0x17},                              // 000 lost, value already odd
      {0x8000000000000001, 1, 0x4000000000000001},  // the last bit alone
      {0x8000000000000000, 63, 1},                  // top bit survives
      {0x7FFFFFFFFFFFFFFF, 63, 1},                  // all lost bits fold
      {0x4000000000000000, 63, 1},                  // lost alone -> 1
      {0x0000000100000000, 32, 1},
      {0x0000000100000001, 32, 1},
      {0x0000000200000001, 32, 3},
      {0x0000000200000000, 33, 1},
      {0x8000000000000000, 64, 1},                  // the width: non-zero -> 1
      {0x0000000000000001, 64, 1},
      {0, 64, 0},
      {0x0000000000000001, 65, 1},
      {0xFFFFFFFFFFFFFFFF, 0xFFFFFFFF, 1},          // any count is allowed
      {0, 0xFFFFFFFF, 0},
      {0, 5, 0},
  };
  for (const Shift64Case& c : cases) {
    EXPECT_EQ(vsStickyShift_right64(c.value, c.n), c.expected)
        << std::hex << "value 0x" << c.value << std::dec << " n " << c.n;
  }
}

struct Shift32Case {
  uint32_t value;
  uint32_t n;
  uint32_t expected;
};

TEST(StickyShift, Right32) {
  const Shift32Case cases[] = {
      {0x89ABCDEF, 0, 0x89ABCDEF},
      {0xB6, 3, 0x17},
      {0xB0, 3, 0x16},
      {0x80000001, 1, 0x40000001},
      {0x80000000, 31, 1},
      {0x7FFFFFFF, 31, 1},
      {0x40000000, 31, 1},
      {0x00010000, 16, 1},
      {0x00030001, 16, 3},
      {0x80000000, 32, 1},
      {0x00000001, 32, 1},
      {0, 32, 0},
      {0x00000001, 900, 1},
      {0, 900, 0},
  };
  for (const Shift32Case& c : cases) {
    EXPECT_EQ(vsStickyShift_right32(c.value, c.n), c.expected)
        << std::hex << "value 0x" << c.value << std::dec << " n " << c.n;
  }
}

}  // namespace
