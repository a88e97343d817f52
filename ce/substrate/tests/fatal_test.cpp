// The fatal path names its message and place; VS_ASSERT and VS_UNREACHABLE
// reach it in checked builds, and VS_ASSERT evaluates nothing elsewhere.
#include "ce/substrate/fatal.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The death tests fork without re-executing the test program: under qemu-arm
// the re-executed program would not start.
class FatalDeathTest : public testing::Test {
 protected:
  void SetUp() override {
    style_ = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "fast");
  }
  void TearDown() override { GTEST_FLAG_SET(death_test_style, style_); }

 private:
  std::string style_;
};

TEST_F(FatalDeathTest, PrintsTheMessageAndThePlace) {
  EXPECT_DEATH(vsFatal(VsCallSite{"here.cpp", 12}, "%d records of %s", 3, "locks"),
               "^Fatal: 3 records of locks \\(here\\.cpp:12\\)\n");
}

#if VS_ASSERTS_ON

TEST_F(FatalDeathTest, AssertNamesTheConditionFileAndLine) {
  volatile int records = 3;
  const std::string line = std::to_string(__LINE__ + 1);
  EXPECT_DEATH(VS_ASSERT(records % 2 == 0, "a whole number of pairs"),
               "Fatal: assertion records % 2 == 0 failed: a whole number of pairs \\(.*fatal_test\\.cpp:" +
                   line + "\\)");
}

TEST_F(FatalDeathTest, UnreachableNamesFileAndLine) {
  const std::string line = std::to_string(__LINE__ + 1);
  EXPECT_DEATH(VS_UNREACHABLE("no such kind"),
               "Fatal: unreachable: no such kind \\(.*fatal_test\\.cpp:" + line + "\\)");
}

TEST(Fatal, AssertThatHoldsGoesOn) {
  int evaluated = 0;
  VS_ASSERT(++evaluated == 1, "evaluated once");
  EXPECT_EQ(evaluated, 1);
}

#else

TEST(Fatal, AssertEvaluatesNothingInOptimisedBuilds) {
  int evaluated = 0;
  VS_ASSERT(++evaluated == 5, "never evaluated");
  EXPECT_EQ(evaluated, 0);
}

#endif

}  // namespace
