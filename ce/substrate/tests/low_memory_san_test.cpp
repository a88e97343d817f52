// Sanitizer build only: the redzone after a low block is poisoned there.
#include <gtest/gtest.h>

#include "ce/substrate/low_memory.h"

namespace {

TEST(LowMemorySanDeathTest, WriteOnePastABlockIsReported) {
  auto* p = static_cast<volatile char*>(vsLow_alloc(13));
  ASSERT_NE(p, nullptr);
  p[12] = 1;
  EXPECT_DEATH(p[13] = 1, "AddressSanitizer");
}

TEST(LowMemorySanDeathTest, UseAfterFreeIsReported) {
  auto* p = static_cast<volatile char*>(vsLow_alloc(32));
  ASSERT_NE(p, nullptr);
  vsLow_free(const_cast<char*>(p));
  EXPECT_DEATH(p[0] = 1, "AddressSanitizer");
}

}  // namespace
