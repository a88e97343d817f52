// A heap with a java.lang.Thread class (root 28) and the run-queue table,
// for the tests of thread creation and scheduling.
#pragma once

#include <cstdint>

#include "tests/core/heap_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/thread_record.h"
#include "vm/core/threads/threads.h"

class ThreadTest : public HeapTest {
 protected:
  void SetUp() override {
    HeapTest::SetUp();
    ASSERT_EQ(vsScheduler_createRunQueueTable(), 1);
    vsRoot(kRootThread) =
        vsTestHeap_newClass("java/lang/Thread", vsRoot(kRootObject), sizeof(JavaThreadObject));
  }

  // A java.lang.Thread of the priority, with its start pending.
  VmRef javaThread(int32_t priority) {
    const VmRef object = vsJavaHeap_newInstance(&vsRoot(kRootThread), sizeof(JavaThreadObject));
    vsRef_as<JavaThreadObject>(object)->priority = priority;
    vsRef_as<JavaThreadObject>(object)->startPending = 1;
    return object;
  }

  // A thread record with its stack, for the priority.
  VmRef newThread(int32_t priority) {
    VmHandle jt;
    vsHandle_push(&jt, javaThread(priority));
    const VmRef t = vsThread_new(&jt.object);
    vsHandle_close(&jt);
    return t;
  }

  static ThreadRecord* rec(VmRef t) { return vsRef_as<ThreadRecord>(t); }
};
