// Thread creation, start, pending calls and the shrinking of grown stacks.
#include <gtest/gtest.h>

#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/interp/interpreter_frames.h"
#include "vm/core/threads/stack_growth.h"
#include "vm/core/threads/tests/thread_fixture.h"

namespace {

TEST_F(ThreadTest, NewThreadOwnsAChunkOfStackSizeBelowItsLimit) {
  struct Case {
    int32_t stackSize;
    int32_t padding;
  };
  static constexpr Case kCases[] = {{4096, 1280}, {8192, 0}, {2048, 2044}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.stackSize);
    vsVmFlags().StackSize = c.stackSize;
    vsVmFlags().StackPadding = c.padding;
    VmHandle jt;
    vsHandle_push(&jt, javaThread(kNormPriority));
    const VmRef t = vsThread_new(&jt.object);
    ASSERT_NE(t, 0u);
    EXPECT_EQ(vsObject_kind(t), kKindThread);
    EXPECT_EQ(vsJavaHeap_objectSize(t), kThreadRecordBytes);
    EXPECT_EQ(rec(t)->javaThread, jt.object);
    const VmRef chunk = rec(t)->stackChunk;
    ASSERT_NE(chunk, 0u);
    EXPECT_EQ(vsObject_kind(chunk), kKindStackChunk);
    EXPECT_EQ(vsRef_as<StackChunk>(chunk)->length, static_cast<uint32_t>(c.stackSize));
    EXPECT_EQ(vsRef_as<StackChunk>(chunk)->owner, t);
    EXPECT_EQ(vsJavaHeap.stackChunkList, chunk);
    EXPECT_EQ(rec(t)->stackLimit, chunk + static_cast<uint32_t>(c.padding));
    // Not started: on no queue and no list.
    EXPECT_EQ(rec(t)->queueNext, 0u);
    EXPECT_EQ(rec(t)->threadListNext, 0u);
    vsHandle_close(&jt);
  }
  vsTestHeap_walk();
}

TEST_F(ThreadTest, MainThreadGetsItsStackOnAnExistingRecord) {
  VmHandle t;
  vsHandle_push(&t, vsJavaHeap_newThreadRecord());
  ASSERT_EQ(vsThread_createMain(&t.object), 1);
  const VmRef chunk = rec(t.object)->stackChunk;
  EXPECT_EQ(vsRef_as<StackChunk>(chunk)->owner, t.object);
  EXPECT_EQ(rec(t.object)->stackLimit, chunk + 1280);
  vsHandle_close(&t);
}

TEST_F(ThreadTest, StackThatDoesNotFitLeavesOutOfMemoryPending) {
  vsVmFlags().StackSize = static_cast<int32_t>(kTestHeapBytes);
  VmHandle jt;
  vsHandle_push(&jt, javaThread(kNormPriority));
  const VmWord top = vsVmGlobals.allocationTop;
  EXPECT_EQ(vsThread_new(&jt.object), 0u);
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
  vsPendingException() = 0;

  VmHandle t;
  vsHandle_push(&t, vsJavaHeap_newThreadRecord());
  EXPECT_EQ(vsThread_createStack(&t.object), 0);
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
  EXPECT_EQ(rec(t.object)->stackChunk, 0u);
  EXPECT_EQ(rec(t.object)->stackLimit, 0u);
  vsPendingException() = 0;
  vsHandle_close(&jt);
  // The failed requests' collections reclaimed what they could; of the
  // new objects only the two thread records can be left.
  EXPECT_LE(vsVmGlobals.allocationTop, top + 2 * kThreadRecordBytes);
}

TEST_F(ThreadTest, StartCountsQueuesAndListsTheThread) {
  VmHandle a;
  vsHandle_push(&a, newThread(kNormPriority));
  VmHandle b;
  vsHandle_push(&b, newThread(7));
  vsThread_start(&a.object);
  vsThread_start(&b.object);
  EXPECT_EQ(vsScheduler.threadCount, 2u);
  EXPECT_EQ(vsScheduler.priorityBitmap, (1u << 5) | (1u << 7));
  EXPECT_EQ(vsRoot(kRootNextThread), a.object);
  // The thread list starts with the thread started last.
  EXPECT_EQ(vsRoot(kRootThreadList), b.object);
  EXPECT_EQ(rec(b.object)->threadListNext, a.object);
  EXPECT_EQ(rec(a.object)->threadListNext, 0u);
  for (VmRef t : {a.object, b.object})
    EXPECT_EQ(vsRef_as<JavaThreadObject>(rec(t)->javaThread)->startPending, 0);
  vsHandle_close(&a);
}

TEST_F(ThreadTest, ImageBuildKeepsTheStartPendingWord) {
  VmHandle a;
  vsHandle_push(&a, newThread(kNormPriority));
  vsVmState().buildingImage = 1;
  vsThread_start(&a.object);
  vsVmState().buildingImage = 0;
  EXPECT_EQ(vsRef_as<JavaThreadObject>(rec(a.object)->javaThread)->startPending, 1);
  EXPECT_EQ(vsScheduler.threadCount, 1u);
  EXPECT_EQ(vsRoot(kRootThreadList), a.object);
  vsHandle_close(&a);
}

TEST_F(ThreadTest, PendingCallsRunInTheOrderTheyWereAppended) {
  VmHandle t;
  vsHandle_push(&t, newThread(kNormPriority));
  VmHandle method;
  vsHandle_push(&method, vsJavaHeap_newMethod(0));
  VmRef calls[3];
  for (VmRef& c : calls) {
    VmHandle call;
    vsHandle_push(&call, vsJavaHeap_newPendingCall(&method.object, 1));
    vsThread_appendPendingCall(&t.object, &call.object);
    c = call.object;
    vsHandle_close(&call);
  }
  VmRef at = rec(t.object)->pendingCalls;
  for (VmRef c : calls) {
    ASSERT_EQ(at, c);
    EXPECT_EQ(vsRef_as<ArgumentBlock>(at)->ref0, method.object);
    at = vsRef_as<ArgumentBlock>(at)->ref1;
  }
  EXPECT_EQ(at, 0u);
  vsHandle_close(&t);
}

TEST_F(ThreadTest, ResetClearsTheCurrentThreadAndTheYieldWord) {
  vsVmGlobals.currentThread = newThread(kNormPriority);
  vsVmGlobals.yieldWord = 0x1235;
  vsThread_reset();
  EXPECT_EQ(vsVmGlobals.currentThread, 0u);
  EXPECT_EQ(vsVmGlobals.yieldWord, 0u);
}

// A stack grown (or not) to a length, then back at a shallow or deep frame:
// it gives back whole increments down to what the frame needs.
TEST_F(ThreadTest, GrownStacksShrinkByWholeIncrementsToWhatTheirFramesNeed) {
  struct Case {
    uint32_t grownTo;     // 0: never grown
    uint32_t frameDepth;  // bytes from the base to the frame pointer
    uint32_t length;      // after the shrink
  };
  // keep = max(used + 1280 + 2048 + 80, 4096), used = depth + 40 + 4 * 8.
  const Case kCases[] = {{16384, 200, 4096}, {16384, 9000, 14336}, {0, 200, 4096}, {8192, 600, 4096}};
  ASSERT_EQ(vsVmFlags().StackSize, 4096);
  ASSERT_EQ(vsVmFlags().StackSizeIncrement, 2048);
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.grownTo << " bytes, frame at " << c.frameDepth);
    VmHandle thread;
    vsHandle_push(&thread, newThread(kNormPriority));
    vsThread_start(&thread.object);
    rec(thread.object)->savedLocals = rec(thread.object)->stackPointer;
    if (c.grownTo != 0) {
      ASSERT_EQ(vsThread_growStack(&thread.object, c.grownTo), 1);
    }
    const VmRef method = vsJavaHeap_newMethod(0);
    vsRef_as<MethodRecord>(method)->maxStack = 8;
    const VmWord base = vsThread_stackBase(thread.object);
    const VmWord fp = base - c.frameDepth;
    vsFrame_atPointer(fp)->method = method;
    *vsWord_toPointer<VmWord>(fp + 8) = 0x5a5a5a5a;  // a word of the used stack
    ThreadRecord* t = rec(thread.object);
    t->savedFramePointer = fp;
    t->savedLocals = fp - 40;
    const VmRef before = t->stackChunk;
    const uint32_t lengthBefore = vsRef_as<StackChunk>(before)->length;

    vsThread_shrinkStacks();

    t = rec(thread.object);
    const StackChunk* chunk = vsRef_as<StackChunk>(t->stackChunk);
    EXPECT_EQ(chunk->length, c.length);
    EXPECT_EQ((lengthBefore - chunk->length) % 2048, 0u);
    EXPECT_EQ(t->stackChunk == before, chunk->length == lengthBefore);
    EXPECT_EQ(vsThread_stackBase(thread.object), base) << "the stack stays where it is";
    EXPECT_EQ(*vsWord_toPointer<VmWord>(fp + 8), 0x5a5a5a5au);
    EXPECT_EQ(chunk->owner, thread.object);
    EXPECT_EQ(t->stackLimit, t->stackChunk + static_cast<uint32_t>(vsVmFlags().StackPadding));
    bool listed = false;
    for (VmRef k = vsJavaHeap.stackChunkList; k != 0; k = vsRef_as<StackChunk>(k)->next)
      listed = listed || k == t->stackChunk;
    EXPECT_TRUE(listed) << "the chunk list names the chunk where it now is";
    vsHandle_close(&thread);
  }
}

}  // namespace
