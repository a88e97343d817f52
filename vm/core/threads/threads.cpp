// Creation and start of green threads (see threads.h).
#include "vm/core/threads/threads.h"

#include "vm/core/interp/interpreter.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/stack_growth.h"
#include "vm/core/threads/thread_record.h"
#include "vm/core/threads/waiting_records.h"

namespace {

ThreadRecord* record(VmRef thread) { return vsRef_as<ThreadRecord>(thread); }

}  // namespace

void vsThread_reset() {
  vsVmGlobals.currentThread = 0;
  __atomic_store_n(&vsVmGlobals.yieldWord, VmWord{0}, __ATOMIC_RELAXED);
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
  t->stackPointer = vsThreadStack_initFirstFrames(vsThread_stackBase(*thread) - 4);
  return 1;
}

int32_t vsThread_createMain(const VmRef* thread) {
  if (vsReentry_resizeWaitingRecords(1) == 0) return 0;
  return vsThread_createStack(thread);
}

void vsThread_start(const VmRef* thread) {
  const bool building = vsVmState().buildingImage != 0;
  if (!building && vsReentry_resizeWaitingRecords(vsScheduler.threadCount + 1) == 0) return;
  ++vsScheduler.threadCount;
  vsScheduler_setRunnable(thread, 1);
  ThreadRecord* t = record(*thread);
  vsJavaHeap_storeReference(&t->threadListNext, vsRoot(kRootThreadList));
  vsRoot(kRootThreadList) = *thread;
  if (!building) vsRef_as<JavaThreadObject>(t->javaThread)->startPending = 0;
}

void vsThread_startJavaThread(const VmRef* thread) {
  const VmRef javaThread = record(*thread)->javaThread;
  VmHandle run;
  vsHandle_push(&run, vsClass_findMethod(vsObject_class(javaThread), vsWellKnown_symbol(kSymRun),
                                         vsWellKnown_symbol(kSymSignatureVoid)));
  if (run.object == 0) vsVm_fatalErrorCode(kFatalNoRunMethod);
  VmHandle call;
  vsHandle_push(&call, vsJavaHeap_newPendingCall(&run.object, 1));
  if (call.object != 0) {
    vsArgumentBlock_setReference(vsRef_as<ArgumentBlock>(call.object), 0, record(*thread)->javaThread);
    vsThread_appendPendingCall(thread, &call.object);
    vsThread_start(thread);
  }
  vsHandle_close(&run);
}

void vsThread_switchTo(VmRef thread) {
  if (ThreadRecord* old = record(vsVmGlobals.currentThread)) vsJavaHeap_storeReference(&old->deferredException, vsPendingException());
  vsVmGlobals.currentThread = thread;
  ThreadRecord* t = record(thread);
  vsPendingException() = t->deferredException;
  t->deferredException = 0;
  vsScheduler_publishStackLimit(t->stackLimit);
}

bool vsStackChunk_contains(VmRef chunk, VmWord address) {
  return address - chunk < ((vsRef_as<StackChunk>(chunk)->length + kStackChunkHeadBytes + 3) & ~3u);
}

void vsThread_appendPendingCall(const VmRef* thread, const VmRef* call) {
  VmRef* slot = &record(*thread)->pendingCalls;
  while (*slot != 0) slot = &vsRef_as<ArgumentBlock>(*slot)->ref1;
  vsJavaHeap_storeReference(slot, *call);
}

bool vsThread_isAliveTest(VmRef javaThread) {
  const JavaThreadObject* j = vsRef_as<JavaThreadObject>(javaThread);
  return j->threadRecord != 0 && j->finished == 0 && j->startPending == 0;
}
