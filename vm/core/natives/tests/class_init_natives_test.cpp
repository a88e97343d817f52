// The natives of java.lang.Class that Class.initialize() calls, and
// isInterface, over the core started with the system library: each is
// called as the native call stub calls it, with the receiver at the
// parameter pointer and the result in the current thread record.
#include <gtest/gtest.h>

#include "tests/core/core_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/natives/class_natives.h"
#include "vm/core/threads/thread_record.h"

namespace {

class ClassInitNativesTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    vsVmGlobals.currentThread = vsJavaHeap_newThreadRecord();
    ASSERT_NE(vsVmGlobals.currentThread, 0u);
  }

  void TearDown() override { vsVmGlobals.currentThread = 0; }

  static ThreadRecord* current() { return vsRef_as<ThreadRecord>(vsVmGlobals.currentThread); }

  // Calls the native on the mirror of the class, as the call stub does: the
  // receiver is parameter 0 of a one-word Java stack. The result word.
  static VmWord callOn(const ClassRecord* cls, void (*native)()) {
    VmWord stack[1] = {vsRef_of(vsClass_mirror(cls))};
    vsVmGlobals.nativeParameterPointer = vsWord_fromPointer(&stack[0]);
    current()->resultLow = 0xDEAD;
    native();
    vsVmGlobals.nativeParameterPointer = 0;
    return current()->resultLow;
  }

  static VmRef clinitOf(const ClassRecord* cls) {
    return vsClass_findMethodInClass(cls, vsWellKnown_symbol(kSymClinit), vsWellKnown_symbol(kSymSignatureVoid));
  }

  static const ClassRecord* intArray() { return vsRoot_as<ClassRecord>(vsRoot_primitiveArray(kTypeInt)); }
};

TEST_F(ClassInitNativesTest, RunClinitQueuesTheStaticInitializer) {
  const ClassRecord* base = loaded("vt/Base");
  const VmRef clinit = clinitOf(base);
  ASSERT_NE(clinit, 0u);
  // No initializer, or no instance class: nothing to run.
  callOn(loaded("tc/A"), Java_java_lang_Class_runClinit);
  callOn(intArray(), Java_java_lang_Class_runClinit);
  EXPECT_EQ(current()->pendingCalls, 0u);
  callOn(base, Java_java_lang_Class_runClinit);
  EXPECT_EQ(takePending(), "");
  const VmRef call = current()->pendingCalls;
  ASSERT_NE(call, 0u);
  EXPECT_EQ(vsRef_as<ArgumentBlock>(call)->ref0, clinit);
  EXPECT_EQ(vsRef_as<ArgumentBlock>(call)->count, 0u);
  EXPECT_EQ(vsRef_as<ArgumentBlock>(call)->ref1, 0u);
}

TEST_F(ClassInitNativesTest, RemoveClinitTakesTheInitializerOutOfTheClass) {
  const ClassRecord* base = loaded("vt/Base");
  const ClassRecord* plain = loaded("tc/A");
  const VmRef clinit = clinitOf(base);
  ASSERT_NE(clinit, 0u);
  const ObjectArray* methods = vsRef_as<ObjectArray>(vsClass_methods(base));
  int32_t slot = -1;
  for (int32_t i = 0; i < methods->length; ++i)
    if (methods->elements[i] == clinit) slot = i;
  ASSERT_GE(slot, 0);
  callOn(base, Java_java_lang_Class_removeClinit);
  EXPECT_EQ(methods->elements[slot], 0u);
  EXPECT_EQ(clinitOf(base), 0u);
  // The other methods stay; a class without one keeps all of its methods.
  EXPECT_NE(vsClass_findMethodInClass(base, vsWellKnown_symbol(kSymInit), vsWellKnown_symbol(kSymSignatureVoid)), 0u);
  const ObjectArray* plainMethods = vsRef_as<ObjectArray>(vsClass_methods(plain));
  const int32_t before = plainMethods->length;
  callOn(plain, Java_java_lang_Class_removeClinit);
  callOn(intArray(), Java_java_lang_Class_removeClinit);
  ASSERT_EQ(plainMethods->length, before);
  for (int32_t i = 0; i < before; ++i) EXPECT_NE(plainMethods->elements[i], 0u);
  EXPECT_EQ(takePending(), "");
}

TEST_F(ClassInitNativesTest, SuperclassAndInterfaceQueries) {
  const struct {
    const char* cls;
    const char* super;  // nullptr: none
    bool isInterface;
  } cases[] = {{"vt/other/Derived", "vt/Base", false},
               {"vt/Base", "java/lang/Object", false},
               {"java/lang/Object", nullptr, false},
               {"it/Shape", "java/lang/Object", true},
               {"it/AbstractShape", "java/lang/Object", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cls);
    const ClassRecord* cls = loaded(c.cls);
    const VmWord expected = c.super != nullptr ? vsRef_of(vsClass_mirror(loaded(c.super))) : 0;
    EXPECT_EQ(callOn(cls, Java_java_lang_Class_getSuperclass0), expected);
    EXPECT_EQ(callOn(cls, Java_java_lang_Class_isInterface), c.isInterface ? 1u : 0u);
  }
  EXPECT_EQ(callOn(intArray(), Java_java_lang_Class_isInterface), 0u);
}

}  // namespace
