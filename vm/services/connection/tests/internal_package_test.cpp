// The internal-package restriction and the class-source hook that applies it
// to classes of the application archive.
#include "vm/services/connection/internal_package.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstring>

#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/lifecycle/class_hooks.h"

namespace {

class InternalPackage : public testing::Test {
 protected:
  void SetUp() override { vsInternalClassAccessRestriction_initialize(); }
  void TearDown() override { vsInternalClassAccessRestriction_initialize(); }

  // Whether the check stops the VM for a class name (of `length` bytes).
  static bool stops(const char* name, int32_t length) {
    static VmExitPoint point;
    if (setjmp(point.buffer) != 0) {
      vsExitPoint_remove(&point);
      return true;
    }
    vsExitPoint_push(&point);
    vsInternalClassAccessRestriction_check(name, length);
    vsExitPoint_remove(&point);
    return false;
  }

  static bool stops(const char* name) { return stops(name, static_cast<int32_t>(std::strlen(name))); }
};

TEST_F(InternalPackage, PrefixesMatchDotsAsSlashesWithinTheLength) {
  static const char* const kList[] = {"", "a.b.", "org/x/", nullptr};
  struct Case {
    const char* name;
    int32_t length;
    bool stopsBefore;
    bool stopsAfter;
  };
  const Case cases[] = {
      {"jp/co/orvex/cldc/X", -1, true, true},  // the built-in list
      {"jp/co/orvex/cldcX", -1, false, false},
      {"a/b/Main", -1, false, true},
      {"a.b.Main", -1, false, true},
      {"a/bc/Main", -1, false, false},
      {"a/b/Main", 3, false, false},  // the name ends before the prefix
      {"org/x/Y", -1, false, true},
      {"Other", -1, false, false},    // the empty prefix matches nothing
  };
  for (const Case& c : cases) {
    const int32_t length = c.length < 0 ? static_cast<int32_t>(std::strlen(c.name)) : c.length;
    EXPECT_EQ(stops(c.name, length), c.stopsBefore) << c.name;
  }
  vsInternalClassAccessRestriction_registerPackageNames(kList);
  for (const Case& c : cases) {
    const int32_t length = c.length < 0 ? static_cast<int32_t>(std::strlen(c.name)) : c.length;
    EXPECT_EQ(stops(c.name, length), c.stopsAfter) << c.name;
  }
  vsInternalClassAccessRestriction_initialize();
  EXPECT_FALSE(stops("a/b/Main"));
  EXPECT_TRUE(stops("jp/co/orvex/cldc/X"));
}

TEST_F(InternalPackage, OnlyClassesOfTheApplicationArchiveAreChecked) {
  static VmExitPoint point;
  static int checked;
  checked = 0;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    EXPECT_EQ(checked, 3);
    return;
  }
  vsExitPoint_push(&point);
  const char* name = "jp/co/orvex/cldc/X";
  const int32_t length = static_cast<int32_t>(std::strlen(name));
  for (const char* jar : {"/sys.jar", "/other.jar", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(vsSys_checkClassSource(name, length, jar), 0);
    ++checked;
  }
  EXPECT_EQ(vsSys_findNativeFunction("a/B", "run"), 0u);
  vsSys_checkClassSource(name, length, "/app.jar");
  vsExitPoint_remove(&point);
  ADD_FAILURE() << "the class from /app.jar went through";
}

TEST_F(InternalPackage, JavaPrefixesAndAnEleventhListEndTheRun) {
  static const char* const kJava[] = {"ok/", "java/util/", nullptr};
  static const char* const kShort[] = {"java", nullptr};
  static const char* const kOther[] = {"p/", nullptr};
  static VmExitPoint point;
  static int registered;
  registered = 0;
  vsVmState().exitCode = 0;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    EXPECT_EQ(vsVmState().exitCode, -1);
    EXPECT_EQ(registered, 1) << "\"java\" alone is too short to be refused";
    registered = 100;
  } else {
    vsExitPoint_push(&point);
    vsInternalClassAccessRestriction_registerPackageNames(kShort);
    ++registered;
    vsInternalClassAccessRestriction_registerPackageNames(kJava);
    vsExitPoint_remove(&point);
  }
  ASSERT_EQ(registered, 100);
  vsInternalClassAccessRestriction_initialize();
  registered = 0;
  vsVmState().exitCode = 0;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    EXPECT_EQ(vsVmState().exitCode, -1);
    EXPECT_EQ(registered, 9) << "nine lists beside the built-in one";
    return;
  }
  vsExitPoint_push(&point);
  for (;;) {
    vsInternalClassAccessRestriction_registerPackageNames(kOther);
    ++registered;
  }
}

}  // namespace
