// The identity-hash generator.
#include "vm/core/memory/hash_generator.h"

#include <gtest/gtest.h>

namespace {

TEST(HashGeneratorTest, StepsFromTheSeed) {
  uint32_t x = 0x23451921;
  for (int i = 0; i < 5; ++i) {
    x = 11u - 554899859u * x;
    EXPECT_EQ(vsMonitor_nextHash(), x) << "step " << i;
  }
}

}  // namespace
