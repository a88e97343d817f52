// The end of a green thread (see thread_end.h).
#include "vm/core/threads/thread_end.h"

#include "vm/core/interp/stack_trace.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/thread_record.h"
#include "vm/core/threads/threads.h"
#include "vm/core/threads/waiting_records.h"
#include "vm/services/lifecycle/console.h"
#include "vm/services/lifecycle/system_glue.h"

namespace {

ThreadRecord* record(VmRef thread) { return vsRef_as<ThreadRecord>(thread); }

ThreadRecord* current() { return record(vsVmGlobals.currentThread); }

// Tells the platform's hook the exception's message, as characters.
void reportToPlatform(VmRef exception) {
  const VmRef message = vsRef_as<ThrowableObject>(exception)->detailMessage;
  if (message == 0) {
    vsSys_reportUncaughtException(nullptr, 0);
  } else {
    const StringObject* s = vsRef_as<StringObject>(message);
    vsSys_reportUncaughtException(vsRef_as<CharArray>(s->value)->elements + s->offset, s->count);
  }
  vsSys_reportUncaughtValue(exception);
}

// Unlinks the thread from the list of live threads.
void unlinkFromThreadList(VmRef thread) {
  VmRef* slot = &vsRoot(kRootThreadList);
  while (*slot != 0 && *slot != thread) slot = &record(*slot)->threadListNext;
  if (*slot == thread) vsJavaHeap_storeReference(slot, record(thread)->threadListNext);
  record(thread)->threadListNext = 0;
}

}  // namespace

void vsThread_printUncaught(const char* heading) {
  const VmRef exception = vsPendingException();
  vsPendingException() = 0;
  // The report is a stack trace: it goes where stack traces go.
  vsSys_setPrintingStackTrace(1);
  vsOutputStream_print(vsStream_errorStream(), "%s", heading);
  vsException_printStackTrace(exception);
  vsSys_setPrintingStackTrace(0);
}

void vsThread_uncaughtException() {
  VmHandle exception;
  vsHandle_push(&exception, vsPendingException());
  vsThread_printUncaught("Uncaught exception: ");
  reportToPlatform(exception.object);
  vsHandle_close(&exception);
}

void vsThread_queueInternalExit() {
  const VmRef name = vsSymbol_fromCString("internalExit", true);
  VmHandle method;
  vsHandle_push(&method, name == 0 ? 0
                                   : vsClass_findMethodInClass(vsRoot_as<ClassRecord>(kRootThread), name,
                                                               vsWellKnown_symbol(kSymSignatureVoid)));
  VmHandle call;
  vsHandle_pushEmpty(&call);
  if (method.object != 0) call.object = vsJavaHeap_newPendingCall(&method.object, 1);
  if (call.object != 0) {
    vsArgumentBlock_setReference(vsRef_as<ArgumentBlock>(call.object), 0, current()->javaThread);
    vsThread_appendPendingCall(&vsVmGlobals.currentThread, &call.object);
  }
  vsHandle_close(&method);
}

void vsThread_markFinished() { vsRef_as<JavaThreadObject>(current()->javaThread)->finished = 1; }

void vsThread_terminate(const VmRef* thread) {
  --vsScheduler.threadCount;
  vsReentry_resizeWaitingRecords(vsScheduler.threadCount);
  vsScheduler_setRunnable(thread, 0);
  vsRoot(kRootNextThread) = vsScheduler_pickNext(0);
  unlinkFromThreadList(*thread);
}

void vsThread_exit() {
  vsPendingException() = 0;
  VmHandle thread;
  vsHandle_push(&thread, vsVmGlobals.currentThread);
  vsThread_terminate(&thread.object);
  vsScheduler_reschedule();
  ThreadRecord* t = record(thread.object);
  vsJavaHeap_storeReference(&vsRef_as<StackChunk>(t->stackChunk)->owner, 0);
  t->stackChunk = 0;
  t->stackPointer = 0;
  const VmRef next = vsRoot(kRootNextThread);
  if (next != 0 && next != thread.object) vsThread_switchTo(next);
  vsHandle_close(&thread);
}
