// Class names by the number natives hand out.
#include "vm/services/lifecycle/class_names.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/core/core_fixture.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/natives/native_roots.h"
#include "vm/services/lifecycle/system_functions.h"

namespace {

class ClassNames : public CoreTest {};

TEST_F(ClassNames, ByNumberOrNullForNoClass) {
  ASSERT_NE(load("java/lang/Object"), 0u);
  ASSERT_NE(load("java/util/Vector"), 0u);
  for (const char* name : {"java/lang/Object", "java/util/Vector"}) {
    const int32_t number = vsNativeMethod_getClassNumberByName(name);
    ASSERT_GT(number, 0) << name;
    const char* got = vsSys_getClassNameById(number);
    ASSERT_NE(got, nullptr) << name;
    EXPECT_EQ(std::string(got), name);
  }
  for (const int32_t number : {-1, 0, 1 << 20}) EXPECT_EQ(vsSys_getClassNameById(number), nullptr) << number;
}

TEST_F(ClassNames, ClassExistsThroughTheSystemFunctionTable) {
  const auto exists =
      vsSystemFunctions_entry<decltype(vsSys_classExists)>(vsSystemFunctions_table().classExists);
  struct Case {
    const char* name;
    int32_t expected;
  };
  const Case kCases[] = {
      {"java/lang/Object", 1},  // loaded at start
      {"java/util/Vector", 1},  // loaded now, from the system library
      {"java/util/Vector", 1},  // and found loaded
      {"[I", 1},                // array classes
      {"[[Ljava/lang/String;", 1},
      {"no/such/Class", 0},
      {"[Lno/such/Class;", 0},
      {"I", 0},                 // a primitive letter names no class
      {"java.lang.Object", 0},  // not the internal form
      {"", 0},
      {nullptr, 0},
  };
  ASSERT_NE(load("java/lang/Object"), 0u);
  const VmWord frames = vsNativeMethod_localFrames;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name != nullptr ? c.name : "(null)");
    EXPECT_EQ(exists(c.name), c.expected);
    EXPECT_EQ(takePending(), "") << "a miss leaves no exception";
    EXPECT_EQ(vsNativeMethod_localFrames, frames) << "the local frame is gone";
  }
}

TEST_F(ClassNames, ClassExistsKeepsAnExceptionPendingBeforeIt) {
  ASSERT_EQ(load("no/such/Class"), 0u);  // leaves NoClassDefFoundError pending
  const VmWord pending = vsPendingException();
  ASSERT_NE(pending, 0u);
  EXPECT_EQ(vsSys_classExists("java/util/Hashtable"), 1);
  EXPECT_EQ(vsSys_classExists("no/other/Class"), 0);
  EXPECT_EQ(vsPendingException(), pending);
  EXPECT_NE(takePending().find("no/such/Class"), std::string::npos);
}

}  // namespace
