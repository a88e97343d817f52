// Natives of java.lang.Thread (see thread_natives.h).
#include "vm/core/natives/thread_natives.h"

#include "vm/core/model/handles.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/threads/monitors.h"
#include "vm/core/threads/thread_record.h"

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
