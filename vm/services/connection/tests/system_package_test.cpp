// The system-package test and the hook that applies it to JAR class loading.
#include "vm/services/connection/system_package.h"

#include <gtest/gtest.h>

#include <csetjmp>

#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/lifecycle/system_package_check.h"

namespace {

class SystemPackage : public testing::Test {
 protected:
  void SetUp() override { vsSystemPackage_initialize(); }
  void TearDown() override { vsSystemPackage_initialize(); }
};

TEST_F(SystemPackage, BuiltInPackagesOutsideThePlatformArchives) {
  struct Case {
    const char* className;
    const char* jar;
    int32_t expected;
  };
  const Case cases[] = {
      {"java/lang/X", "/sys.jar", 0},       {"java/lang/X", "/ext.jar", 0},
      {"java/lang/X", "/app.jar", 1},       {"javax/a/B", "/app.jar", 1},
      {"javafoo/X", "/app.jar", 0},         {"java", "/app.jar", 0},
      {"javaxa/B", "/app.jar", 0},          {"javax", "/app.jar", 0},
      {"com/vostel/io/P", "/app.jar", 1},   {"com/vostelx/P", "/app.jar", 0},
      {"jp/co/orvex/cldc/C", "/app.jar", 1}, {"jp/co/orvex/C", "/app.jar", 0},
      {"Main", "/app.jar", 0},              {"java/lang/X", "/other.jar", 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(vsSystemPackage_isSystemClass(c.className, c.jar), c.expected)
        << c.className << " from " << c.jar;
}

TEST_F(SystemPackage, RegisteredPrefixesMatchDotsAsSlashes) {
  static const char* const kList[] = {"", "org.acme.", "net/x/", nullptr};
  EXPECT_EQ(vsSystemPackage_isSystemClass("org/acme/Tool", "/app.jar"), 0);
  vsSystemPackage_register(kList);
  EXPECT_EQ(vsSystemPackage_isSystemClass("org/acme/Tool", "/app.jar"), 1);
  EXPECT_EQ(vsSystemPackage_isSystemClass("org/acmeX/Tool", "/app.jar"), 0);
  EXPECT_EQ(vsSystemPackage_isSystemClass("org/acme", "/app.jar"), 0);
  EXPECT_EQ(vsSystemPackage_isSystemClass("net/x/Y", "/app.jar"), 1);
  EXPECT_EQ(vsSystemPackage_isSystemClass("net/x/Y", "/sys.jar"), 0);
  EXPECT_EQ(vsSystemPackage_isSystemClass("Other", "/app.jar"), 0);  // "" matches nothing
  vsSystemPackage_initialize();
  EXPECT_EQ(vsSystemPackage_isSystemClass("org/acme/Tool", "/app.jar"), 0);
}

TEST_F(SystemPackage, SixthListLeavesTheRunWithMinusOne) {
  static const char* const kList[] = {"p/", nullptr};
  static int registered;
  registered = 0;
  VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    EXPECT_EQ(registered, 5);
    EXPECT_EQ(vsVmState().exitCode, -1);
    return;
  }
  vsExitPoint_push(&point);
  for (; registered < 6; ++registered) vsSystemPackage_register(kList);
  vsExitPoint_remove(&point);
  ADD_FAILURE() << "the sixth list was accepted";
}

TEST_F(SystemPackage, CheckIsFatalOnlyForSystemClassesFromApplicationJars) {
  vsSys_checkSystemPackage("java/lang/String", "/sys.jar");
  vsSys_checkSystemPackage("app/Main", "/app.jar");
  VmExitPoint point;
  testing::internal::CaptureStderr();
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("Cannot load system package from Jar\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Fatal error: 134\n"), std::string::npos) << log;
    EXPECT_EQ(vsVmState().exitCode, -1);
    return;
  }
  vsExitPoint_push(&point);
  vsSys_checkSystemPackage("java/lang/Evil", "/app.jar");
  vsExitPoint_remove(&point);
  testing::internal::GetCapturedStderr();
  ADD_FAILURE() << "the check returned";
}

}  // namespace
