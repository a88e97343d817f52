// Object.wait and Thread.sleep before they block: the argument check and,
// while the VM exits, the exit signal instead of a block.
#include <gtest/gtest.h>

#include "tests/core/core_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_roots.h"
#include "vm/core/natives/object_natives.h"
#include "vm/core/natives/thread_natives.h"
#include "vm/core/startup/vm_control.h"

namespace {

constexpr uint32_t kWords = 3;
// The Java stack of the calls and the receiver's local frame: VM storage.
VS_VMBSS(VmWord[kWords]) gStack;
VS_VMBSS(NativeFrame) gFrame;
VS_VMBSS(VmRef[1]) gReceiver;

class BlockingNativesTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    vsVmGlobals.currentThread = vsJavaHeap_newThreadRecord();
    ASSERT_NE(vsVmGlobals.currentThread, 0u);
    vsNativeMethod_pushLocalFrame(1, &gFrame, gReceiver);
    gReceiver[0] = vsJavaHeap_newIntArray(1);
  }
  void TearDown() override {
    vsVmState().exiting = 0;
    vsNativeMethod_popLocalFrame(&gFrame);
    vsVmGlobals.currentThread = 0;
    vsVmGlobals.nativeParameterPointer = 0;
  }
};

TEST_F(BlockingNativesTest, NegativeTimesAreRefusedAndNothingBlocksWhileTheVmExits) {
  struct Case {
    const char* name;
    void (*native)();
    int64_t millis;
    uint32_t exiting;
  };
  const Case kCases[] = {
      {"sleep(-1)", Java_java_lang_Thread_sleep, -1, 0},
      {"wait(-1)", Java_java_lang_Object_wait, -1, 0},
      {"sleep(1000000) while exiting", Java_java_lang_Thread_sleep, 1000000, 1},
      {"wait(0) while exiting", Java_java_lang_Object_wait, 0, 1},
  };
  for (const Case& c : kCases) {
    // Parameter 0 the receiver (unused by the static sleep), the long in
    // parameters 1 (high) and 2 (low).
    gStack[2] = gReceiver[0];
    gStack[1] = static_cast<VmWord>(static_cast<uint64_t>(c.millis) >> 32);
    gStack[0] = static_cast<VmWord>(c.millis);
    vsVmGlobals.nativeParameterPointer = vsWord_fromPointer(&gStack[2]);
    vsVmState().exiting = c.exiting;
    c.native();
    if (c.exiting != 0) {
      EXPECT_NE(vsPendingException(), 0u) << c.name;
      EXPECT_EQ(vsPendingException(), vsVmGlobals.threadKillObject) << c.name;
      vsPendingException() = 0;
    } else {
      EXPECT_EQ(takePending(), "java/lang/IllegalArgumentException \"  0\"") << c.name;
    }
  }
}

}  // namespace
