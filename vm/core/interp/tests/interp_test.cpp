// String helpers and the preallocated OutOfMemoryError.
#include <gtest/gtest.h>

#include "tests/core/heap_fixture.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/string_helpers.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"

namespace {

using InterpTest = HeapTest;

VmRef string(const char* text) {
  return vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>(text),
                                      static_cast<int32_t>(std::char_traits<char>::length(text)));
}

TEST_F(InterpTest, StringsCompareByCharacters) {
  const VmRef a = string("java");
  const VmRef b = string("java");
  const VmRef c = string("jav");
  EXPECT_TRUE(vsString_equals(a, b));
  EXPECT_FALSE(vsString_equals(a, c));
  EXPECT_TRUE(vsString_equals(0, 0));
  EXPECT_FALSE(vsString_equals(a, 0));
  // An offset into a longer array compares the window only.
  VmRef chars = vsRef_as<StringObject>(string("xjavax"))->value;
  VmHandle value;
  vsHandle_push(&value, chars);
  const VmRef window = vsJavaHeap_newString(&value.object, 1, 4);
  vsHandle_close(&value);
  EXPECT_TRUE(vsString_equals(window, a));
  EXPECT_EQ(vsString_hashCode(window), vsString_hashCode(a));
}

TEST_F(InterpTest, HashCodeIsThirtyOneTimesPlusChar) {
  EXPECT_EQ(vsString_hashCode(string("")), 0);
  EXPECT_EQ(vsString_hashCode(string("ab")), 97 * 31 + 98);
  // "polygenelubricants" hashes to Integer.MIN_VALUE in Java.
  EXPECT_EQ(vsString_hashCode(string("polygenelubricants")), INT32_MIN);
}

TEST_F(InterpTest, OutOfMemoryErrorIsThePreallocatedInstance) {
  const VmWord top = vsVmGlobals.allocationTop;
  vsException_throwOutOfMemoryError();
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
  EXPECT_EQ(vsVmGlobals.allocationTop, top);
}

}  // namespace
