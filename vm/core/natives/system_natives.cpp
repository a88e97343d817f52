// Natives of java.lang.System (see system_natives.h).
#include "vm/core/natives/system_natives.h"

#include "vm/core/model/handles.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/threads/monitors.h"

extern "C" void Java_java_lang_System_identityHashCode() {
  VmHandle object;
  vsHandle_push(&object, 0);
  vsNativeMethod_getParameterObject(1, &object.object);
  vsNativeMethod_setReturnInt(object.object == 0 ? 0 : vsMonitor_ensureHash(&object.object));
  vsHandle_close(&object);
}
