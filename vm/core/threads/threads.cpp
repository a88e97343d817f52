// Creation and start of green threads (see threads.h).
#include "vm/core/threads/threads.h"

#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/thread_record.h"

namespace {

ThreadRecord* record(VmRef thread) { return vsRef_as<ThreadRecord>(thread); }

}  // namespace

void vsThread_reset() {
  vsVmGlobals.currentThread = 0;
  vsVmGlobals.yieldWord = 0;
}

VmRef vsThread_new(const VmRef* javaThread) {
  VmHandle thread;
  vsHandle_push(&thread, vsJavaHeap_newThreadRecord());
  VmRef result = 0;
  if (thread.object != 0) {
    vsJavaHeap_storeReference(&record(thread.object)->javaThread, *javaThread);
    if (vsThread_createStack(&thread.object) != 0) result = thread.object;
  }
  vsHandle_close(&thread);
  return result;
}

int32_t vsThread_createStack(const VmRef* thread) {
  const VmRef chunk = vsJavaHeap_newStackChunk(static_cast<uint32_t>(vsVmFlags().StackSize));
  if (chunk == 0) return 0;
  ThreadRecord* t = record(*thread);
  vsJavaHeap_storeReference(&vsRef_as<StackChunk>(chunk)->owner, *thread);
  vsJavaHeap_storeReference(&t->stackChunk, chunk);
  t->stackLimit = chunk + static_cast<uint32_t>(vsVmFlags().StackPadding);
  return 1;
}

int32_t vsThread_createMain(const VmRef* thread) { return vsThread_createStack(thread); }

void vsThread_start(const VmRef* thread) {
  ++vsScheduler.threadCount;
  vsScheduler_setRunnable(thread, 1);
  ThreadRecord* t = record(*thread);
  vsJavaHeap_storeReference(&t->threadListNext, vsRoot(kRootThreadList));
  vsRoot(kRootThreadList) = *thread;
  if (vsVmState().buildingImage == 0) vsRef_as<JavaThreadObject>(t->javaThread)->startPending = 0;
}

void vsThread_appendPendingCall(const VmRef* thread, const VmRef* call) {
  VmRef* slot = &record(*thread)->pendingCalls;
  while (*slot != 0) slot = &vsRef_as<ArgumentBlock>(*slot)->ref1;
  vsJavaHeap_storeReference(slot, *call);
}
