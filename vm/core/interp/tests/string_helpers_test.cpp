// Splitting a path String at ';' over a core started without a class image.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/core/core_fixture.h"
#include "vm/core/interp/string_helpers.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"

namespace {

using StringHelpersTest = CoreTest;

VmRef javaString(const std::string& text) {
  return vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()));
}

TEST_F(StringHelpersTest, SplitPathSkipsEmptyParts) {
  const struct {
    const char* path;
    std::vector<std::string> parts;
  } cases[] = {{"", {}},
               {";;", {}},
               {"/a.jar", {"/a.jar"}},
               {"/a.jar;/b.jar", {"/a.jar", "/b.jar"}},
               {";/a.jar;;/b.jar;", {"/a.jar", "/b.jar"}},
               {"x;y;z", {"x", "y", "z"}}};
  for (const auto& c : cases) {
    VmHandle path, parts, expected;
    vsHandle_push(&path, javaString(c.path));
    vsHandle_push(&parts, vsString_splitPath(&path.object));
    vsHandle_pushEmpty(&expected);
    ASSERT_NE(parts.object, 0u) << c.path << ": " << takePending();
    EXPECT_EQ(vsObject_class(parts.object), vsRef_as<ClassRecord>(vsRoot(kRootString))->arrayClass.get());
    ASSERT_EQ(vsRef_as<ObjectArray>(parts.object)->length, static_cast<int32_t>(c.parts.size())) << c.path;
    for (size_t i = 0; i < c.parts.size(); ++i) {
      expected.object = javaString(c.parts[i]);
      EXPECT_TRUE(vsString_equals(vsRef_as<ObjectArray>(parts.object)->elements[i], expected.object))
          << c.path << " part " << i;
    }
    vsHandle_close(&path);
  }
}

}  // namespace
