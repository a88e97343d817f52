// Natives of java.lang.Runtime (see runtime_natives.h).
#include "vm/core/natives/runtime_natives.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/natives/native_hooks.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/startup/vm_control.h"

namespace {

constexpr const char* kSecurityClass = "java/lang/SecurityException";

}  // namespace

extern "C" void Java_java_lang_Runtime_exitInternal() {
  if (vsSys_allowRuntimeExit() != 0) vsVm_exit(vsNativeMethod_getParameterInt(1));
  vsException_raiseWithCode(kSecurityClass, kErrRuntimeExit);
}

extern "C" void Java_java_lang_Runtime_freeMemory() {
  vsNativeMethod_setReturnLong(vsJavaHeap_freeMemory() + vsJavaHeap_nativeFreeMemory(), 0);
}

extern "C" void Java_java_lang_Runtime_totalMemory() { vsNativeMethod_setReturnLong(vsJavaHeap_heapSizeSetting(), 0); }

extern "C" void Java_java_lang_Runtime_gc() { vsGC_collectFromNative(); }
