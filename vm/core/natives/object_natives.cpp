// Natives of java.lang.Object (see object_natives.h).
#include "vm/core/natives/object_natives.h"

#include "vm/core/model/handles.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_method.h"
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
