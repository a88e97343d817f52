// The natives of java.lang.ref.WeakReference over the tagged reference
// table: slots of referents, their clearing, and the reuse of the slots
// that finalized references free.
#include "vm/core/natives/weak_reference_natives.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "tests/core/core_fixture.h"
#include "vm/core/memory/finalization.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/global_refs.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_roots.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/threads/thread_record.h"

namespace {

constexpr uint32_t kWords = 2;
constexpr uint32_t kSlots = 3;
// The Java stack of the calls and the test's local frame: VM storage.
VS_VMBSS(VmWord[kWords]) gStack;
VS_VMBSS(NativeFrame) gFrame;
VS_VMBSS(VmRef[kSlots]) gSlots;

class WeakReferenceNativesTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    vsVmGlobals.currentThread = vsJavaHeap_newThreadRecord();
    ASSERT_NE(vsVmGlobals.currentThread, 0u);
    vsVmFlags().RepotFinalization = 0;
    vsNativeMethod_pushLocalFrame(kSlots, &gFrame, gSlots);
    // The class as the image has it: finalizable, its finalizer bound.
    ClassRecord* cls = loaded("java/lang/ref/WeakReference");
    ASSERT_NE(cls, nullptr);
    cls->classInfo->accessFlags |= kClassFinalizable;
    cls->finalizer =
        static_cast<VmWord>(reinterpret_cast<uintptr_t>(&Java_java_lang_ref_WeakReference_finalize));
    gSlots[0] = vsRef_of(cls);
  }
  void TearDown() override {
    vsNativeMethod_popLocalFrame(&gFrame);
    vsVmGlobals.currentThread = 0;
    vsVmGlobals.nativeParameterPointer = 0;
  }

  // Calls the static native with parameter 1 (parameter 0 unused).
  static VmWord call(void (*native)(), VmWord parameter) {
    gStack[0] = parameter;
    vsVmGlobals.nativeParameterPointer = vsWord_fromPointer(&gStack[1]);
    vsRef_as<ThreadRecord>(vsVmGlobals.currentThread)->resultLow = 0xDEAD;
    native();
    return vsRef_as<ThreadRecord>(vsVmGlobals.currentThread)->resultLow;
  }

  // A WeakReference to the object in slot 2, as its constructor makes it,
  // in slot 1.
  static void makeReference() {
    gSlots[1] = vsJavaHeap_newFinalizableInstance(&gSlots[0]);
    ASSERT_NE(gSlots[1], 0u);
    const int32_t index = static_cast<int32_t>(call(Java_java_lang_ref_WeakReference_newSlot, gSlots[2]));
    vsRef_as<WeakReferenceObject>(gSlots[1])->index = index;
  }

  static int32_t tableLength() {
    return vsGlobalRef_table == 0 ? 0 : vsRef_as<IntArray>(vsGlobalRef_table)->length;
  }
};

TEST_F(WeakReferenceNativesTest, SlotsHoldReferentsUntilClearedOrCollected) {
  EXPECT_EQ(static_cast<int32_t>(call(Java_java_lang_ref_WeakReference_newSlot, 0)), -1) << "null referent";
  EXPECT_EQ(call(Java_java_lang_ref_WeakReference_getSlot, static_cast<VmWord>(-1)), 0u);
  call(Java_java_lang_ref_WeakReference_clearSlot, static_cast<VmWord>(-1));

  gSlots[2] = vsJavaHeap_newIntArray(1);
  const VmWord held = call(Java_java_lang_ref_WeakReference_newSlot, gSlots[2]);
  gSlots[1] = vsJavaHeap_newIntArray(1);
  const VmWord dropped = call(Java_java_lang_ref_WeakReference_newSlot, gSlots[1]);
  const VmWord cleared = call(Java_java_lang_ref_WeakReference_newSlot, gSlots[2]);
  gSlots[1] = 0;
  call(Java_java_lang_ref_WeakReference_clearSlot, cleared);
  EXPECT_EQ(call(Java_java_lang_ref_WeakReference_getSlot, cleared), 0u) << "cleared by the native";
  vsGC_fullCollection();
  EXPECT_EQ(call(Java_java_lang_ref_WeakReference_getSlot, held), gSlots[2]) << "a held referent stays";
  EXPECT_EQ(call(Java_java_lang_ref_WeakReference_getSlot, dropped), 0u)
      << "an unreachable referent is cleared";
}

TEST_F(WeakReferenceNativesTest, FinalizedReferencesFreeTheirSlotsForTheNext) {
  // No collection while a round makes its references: every round needs
  // 1,000 slots at once.
  const int savedFrequency = vsVmFlags().FinalizePerNewInstanceFreq;
  vsVmFlags().FinalizePerNewInstanceFreq = 1 << 30;
  int32_t afterFirst = 0;
  for (int round = 0; round < 20; ++round) {
    for (int i = 0; i < 1000; ++i) {
      gSlots[2] = vsJavaHeap_newIntArray(1);
      ASSERT_NE(gSlots[2], 0u);
      makeReference();
    }
    gSlots[1] = gSlots[2] = 0;
    // One collection finds the references unreachable and runs their
    // finalizers; the next takes them away.
    vsGC_fullCollection();
    vsGC_fullCollection();
    if (round == 0) afterFirst = tableLength();
    EXPECT_LE(tableLength(), afterFirst) << "round " << round;
  }
  vsVmFlags().FinalizePerNewInstanceFreq = savedFrequency;
  EXPECT_EQ(afterFirst, 1024) << "16 doubled to hold 1,000";
}

}  // namespace
