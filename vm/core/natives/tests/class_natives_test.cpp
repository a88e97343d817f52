// Natives of java.lang.Class, called as the native call stub calls them:
// receiver at the parameter pointer, result in the current thread record.
#include "vm/core/natives/class_natives.h"

#include <gtest/gtest.h>

#include "tests/core/heap_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/threads/thread_record.h"

namespace {

class ClassNativesTest : public HeapTest {
 protected:
  void SetUp() override {
    HeapTest::SetUp();
    vsVmGlobals.currentThread = vsJavaHeap_newThreadRecord();
    ASSERT_NE(vsVmGlobals.currentThread, 0u);
  }

  // Calls the native with the receiver in a one-word Java stack.
  static VmWord callOn(VmRef receiver, void (*native)()) {
    VmWord stack[1] = {receiver};
    vsVmGlobals.nativeParameterPointer = vsWord_fromPointer(&stack[0]);
    native();
    vsVmGlobals.nativeParameterPointer = 0;
    return vsRef_as<ThreadRecord>(vsVmGlobals.currentThread)->resultLow;
  }
};

TEST_F(ClassNativesTest, SuperclassIsTheSuperclassMirrorOrNull) {
  const VmRef base = vsTestHeap_newClass("Base", vsRoot(kRootObject), 4);
  const VmRef derived = vsTestHeap_newClass("Derived", base, 8);
  struct Case {
    VmRef cls;
    VmRef super;
  };
  const Case kCases[] = {{derived, base}, {base, vsRoot(kRootObject)}, {vsRoot(kRootObject), 0}};
  for (const Case& c : kCases) {
    const VmWord expected = c.super != 0 ? vsRef_of(vsClass_mirror(vsRef_as<ClassRecord>(c.super))) : 0;
    EXPECT_EQ(expected != 0, c.super != 0);
    EXPECT_EQ(callOn(vsRef_of(vsClass_mirror(vsRef_as<ClassRecord>(c.cls))), Java_java_lang_Class_getSuperclass0),
              expected);
  }
}

}  // namespace
