// Parameters and results of natives.
#include "vm/core/natives/native_method.h"

#include <gtest/gtest.h>

#include "ce/substrate/low_memory.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/threads/thread_record.h"

namespace {

class NativeMethodTest : public testing::Test {
 protected:
  void SetUp() override {
    stack_ = static_cast<VmWord*>(vsLow_alloc(kStackWords * 4));
    thread_ = static_cast<ThreadRecord*>(vsLow_alloc(sizeof(ThreadRecord)));
    ASSERT_NE(stack_, nullptr);
    ASSERT_NE(thread_, nullptr);
    for (uint32_t i = 0; i < kStackWords; ++i) stack_[i] = 0x1000 + i;
    vsVmGlobals.currentThread = vsWord_fromPointer(thread_);
  }
  void TearDown() override {
    vsVmGlobals.currentThread = 0;
    vsVmGlobals.nativeParameterPointer = 0;
    vsLow_free(stack_);
    vsLow_free(thread_);
  }

  static constexpr uint32_t kStackWords = 8;
  VmWord* stack_ = nullptr;
  ThreadRecord* thread_ = nullptr;
};

TEST_F(NativeMethodTest, ThisIsTheWordAtTheParameterPointer) {
  for (uint32_t at : {7u, 4u, 1u}) {
    vsVmGlobals.nativeParameterPointer = vsWord_fromPointer(&stack_[at]);
    VmRef slot = 0;
    vsNativeMethod_getThis(&slot);
    EXPECT_EQ(slot, 0x1000 + at) << at;
  }
}

TEST_F(NativeMethodTest, IntResultGoesToWordNineteenOnly) {
  VmWord* words = reinterpret_cast<VmWord*>(thread_);
  for (uint32_t i = 0; i < kThreadRecordBytes / 4; ++i) words[i] = 0xa0 + i;
  for (int32_t value : {0, -1, 0x7fffffff, static_cast<int32_t>(0x80000000u)}) {
    vsNativeMethod_setReturnInt(value);
    EXPECT_EQ(thread_->resultLow, static_cast<VmWord>(value));
  }
  for (uint32_t i = 0; i < kThreadRecordBytes / 4; ++i) {
    if (i == 19) continue;
    EXPECT_EQ(words[i], 0xa0 + i) << "word " << i;
  }
}

}  // namespace
