// Natives of java.lang.ref.WeakReference (see weak_reference_natives.h).
#include "vm/core/natives/weak_reference_natives.h"

#include "vm/core/memory/global_refs.h"
#include "vm/core/model/handles.h"
#include "vm/core/natives/native_method.h"

extern "C" void Java_java_lang_ref_WeakReference_newSlot() {
  VmHandle referent;
  vsHandle_pushEmpty(&referent);
  vsNativeMethod_getParameterObject(1, &referent.object);
  const int32_t index = referent.object == 0 ? -1 : vsGlobalRef_new(&referent.object, kGlobalRefWeak);
  vsNativeMethod_setReturnInt(index);
  vsHandle_close(&referent);
}

extern "C" void Java_java_lang_ref_WeakReference_getSlot() {
  const int32_t index = vsNativeMethod_getParameterInt(1);
  vsNativeMethod_setReturnInt(index < 0 ? 0 : static_cast<int32_t>(vsGlobalRef_get(index)));
}

extern "C" void Java_java_lang_ref_WeakReference_clearSlot() {
  const int32_t index = vsNativeMethod_getParameterInt(1);
  if (index >= 0) vsGlobalRef_clear(index);
}

extern "C" void Java_java_lang_ref_WeakReference_finalize() {
  const int32_t index = vsRef_as<WeakReferenceObject>(vsNativeMethod_getThisObject())->index;
  if (index >= 0) vsGlobalRef_delete(index);
}
