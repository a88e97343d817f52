#include "ce/base/crt_string.h"

#include <gtest/gtest.h>

namespace {

TEST(CeString, WcslenCountsUnitsBeforeTheTerminator) {
  EXPECT_EQ(wcslen(u""), 0u);
  EXPECT_EQ(wcslen(u"\u0416b"), 2u);
  EXPECT_EQ(wcslen(u"\U0001F600"), 2u);  // a surrogate pair is two units
  const WCHAR embedded[] = {u'a', 0, u'b', 0};
  EXPECT_EQ(wcslen(embedded), 1u);
}

}  // namespace
