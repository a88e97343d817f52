// Natives of java.lang.Thread (see thread_natives.h).
#include "vm/core/natives/thread_natives.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/threads/monitors.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/thread_record.h"
#include "vm/core/threads/threads.h"
#include "vm/services/lifecycle/system_glue.h"

namespace {

constexpr int32_t kErrThreadStarted = 109;

JavaThreadObject* javaThread(VmRef object) { return vsRef_as<JavaThreadObject>(object); }

// The current thread chooses again when the thread outranks it.
void yieldTo(VmRef thread) {
  if (vsThread_priority(thread) > vsThread_priority(vsVmGlobals.currentThread)) vsScheduler_reschedule();
}

}  // namespace

extern "C" void Java_java_lang_Thread_currentThread() {
  const ThreadRecord* current = vsRef_as<ThreadRecord>(vsVmGlobals.currentThread);
  vsNativeMethod_setReturnInt(static_cast<int32_t>(current->javaThread));
}

extern "C" void Java_java_lang_Thread_internalExit() {
  VmHandle self;
  vsHandle_pushEmpty(&self);
  vsNativeMethod_getThis(&self.object);
  vsRef_as<JavaThreadObject>(self.object)->finished = 1;
  vsMonitor_notify(&self.object, 1, &vsVmGlobals.currentThread);
  vsHandle_close(&self);
}

extern "C" void Java_java_lang_Thread_yield() { vsScheduler_reschedule(); }

extern "C" void Java_java_lang_Thread_sleep() {
  uint32_t high = 0, low = 0;
  vsNativeMethod_getParameterLong(1, &high, &low);
  if (static_cast<int32_t>(high) < 0) {
    vsException_raiseWithCode(kIllegalArgumentClass, 0);
    return;
  }
  if (vsMonitor_takeInterrupt(&vsVmGlobals.currentThread)) return;  // InterruptedException pending
  // While the VM exits nothing blocks: the thread unwinds.
  if (vsVmState().exiting != 0) {
    vsException_throwThreadKill();
    return;
  }
  vsScheduler_sleep(low, high, &vsVmGlobals.currentThread);
}

extern "C" void Java_java_lang_Thread_start0() {
  VmHandle self;
  vsHandle_pushEmpty(&self);
  vsNativeMethod_getThis(&self.object);
  VmHandle thread;
  vsHandle_pushEmpty(&thread);
  const JavaThreadObject* j = javaThread(self.object);
  if (j->threadRecord != 0 || j->finished != 0 || j->startPending != 0) {
    vsException_raiseWithCode(kIllegalThreadStateClass, kErrThreadStarted);
  } else {
    javaThread(self.object)->startPending = 1;
    thread.object = vsThread_new(&self.object);
  }
  if (thread.object != 0) {
    vsJavaHeap_storeReference(&javaThread(self.object)->threadRecord, thread.object);
    vsThread_startJavaThread(&thread.object);
    if (!vsException_isPending()) yieldTo(thread.object);
  }
  vsHandle_close(&self);
}

extern "C" void Java_java_lang_Thread_isAlive() {
  VmRef self = 0;
  vsNativeMethod_getThis(&self);
  vsNativeMethod_setReturnInt(vsThread_isAliveTest(self) ? 1 : 0);
}

extern "C" void Java_java_lang_Thread_activeCount() {
  vsNativeMethod_setReturnInt(static_cast<int32_t>(vsScheduler.threadCount));
}

extern "C" void Java_java_lang_Thread_setPriority0() {
  VmHandle thread;
  vsHandle_pushEmpty(&thread);
  vsNativeMethod_getThis(&thread.object);
  const int32_t old = vsNativeMethod_getParameterInt(1);
  thread.object = javaThread(thread.object)->threadRecord;
  if (thread.object != 0 && vsThread_isAliveTest(vsRef_as<ThreadRecord>(thread.object)->javaThread)) {
    vsScheduler_setPriority(&thread.object, old);
    if (thread.object == vsVmGlobals.currentThread)
      vsScheduler_reschedule();
    else
      yieldTo(thread.object);
  }
  vsHandle_close(&thread);
}

extern "C" void Java_java_lang_Thread_interrupt0() {
  VmHandle thread;
  vsHandle_pushEmpty(&thread);
  vsNativeMethod_getThis(&thread.object);
  thread.object = javaThread(thread.object)->threadRecord;
  if (thread.object != 0 && vsThread_isAliveTest(vsRef_as<ThreadRecord>(thread.object)->javaThread))
    vsMonitor_interrupt(&thread.object);
  vsHandle_close(&thread);
}

extern "C" void Java_java_lang_Thread_isPrioritySchedule() { vsNativeMethod_setReturnInt(vsSys_isPrioritySchedule()); }
