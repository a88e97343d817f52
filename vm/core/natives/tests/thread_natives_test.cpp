// Natives of java.lang.Thread.
#include "vm/core/natives/thread_natives.h"

#include <gtest/gtest.h>

#include "ce/substrate/low_memory.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/threads/thread_record.h"

namespace {

TEST(ThreadNatives, CurrentThreadAnswersTheCurrentRecordsJavaThread) {
  auto* records = static_cast<ThreadRecord*>(vsLow_alloc(2 * sizeof(ThreadRecord)));
  ASSERT_NE(records, nullptr);
  records[0].javaThread = 0x1230;
  records[1].javaThread = 0x4560;
  for (int i : {0, 1}) {
    vsVmGlobals.currentThread = vsWord_fromPointer(&records[i]);
    Java_java_lang_Thread_currentThread();
    EXPECT_EQ(records[i].resultLow, records[i].javaThread);
  }
  EXPECT_EQ(records[0].resultLow, 0x1230u);
  vsVmGlobals.currentThread = 0;
  vsLow_free(records);
}

}  // namespace
