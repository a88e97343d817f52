// Class names by the number natives hand out.
#include "vm/services/lifecycle/class_names.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/core/core_fixture.h"
#include "vm/core/natives/native_method.h"

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

}  // namespace
