// Natives of java.lang.Object (see object_natives.h).
#include "vm/core/natives/object_natives.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/threads/monitors.h"

namespace {

void notifyReceiver(int32_t all) {
  VmHandle receiver;
  vsHandle_push(&receiver, 0);
  vsNativeMethod_getThis(&receiver.object);
  vsMonitor_notify(&receiver.object, all, &vsVmGlobals.currentThread);
  vsHandle_close(&receiver);
}

}  // namespace

extern "C" void Java_java_lang_Object_notify() { notifyReceiver(0); }

extern "C" void Java_java_lang_Object_notifyAll() { notifyReceiver(1); }

extern "C" void Java_java_lang_Object_wait() {
  // While the VM exits nothing blocks: the thread unwinds.
  if (vsVmState().exiting != 0) {
    vsException_throwThreadKill();
    return;
  }
  uint32_t high = 0, low = 0;
  vsNativeMethod_getParameterLong(1, &high, &low);
  if (static_cast<int32_t>(high) < 0) {
    vsException_raiseWithCode(kIllegalArgumentClass, 0);
    return;
  }
  VmHandle receiver;
  vsHandle_push(&receiver, 0);
  vsNativeMethod_getThis(&receiver.object);
  vsMonitor_wait(&receiver.object, low, high, &vsVmGlobals.currentThread);
  vsHandle_close(&receiver);
}

extern "C" void Java_java_lang_Object_hashCode() {
  VmHandle receiver;
  vsHandle_push(&receiver, 0);
  vsNativeMethod_getThis(&receiver.object);
  vsNativeMethod_setReturnInt(vsMonitor_ensureHash(&receiver.object));
  vsHandle_close(&receiver);
}

extern "C" void Java_java_lang_Object_getClass() {
  vsNativeMethod_setReturnInt(static_cast<int32_t>(vsObject_class(vsNativeMethod_getThisObject())->mirror.raw));
}
