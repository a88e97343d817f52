// Natives of java.lang.String (see string_natives.h).
#include "vm/core/natives/string_natives.h"

#include "vm/core/memory/string_factory.h"
#include "vm/core/model/handles.h"
#include "vm/core/natives/native_method.h"

extern "C" void Java_java_lang_String_intern() {
  VmHandle self;
  vsHandle_pushEmpty(&self);
  vsNativeMethod_getThis(&self.object);
  vsNativeMethod_setReturnInt(static_cast<int32_t>(vsJavaHeap_internStringObject(&self.object)));
  vsHandle_close(&self);
}
