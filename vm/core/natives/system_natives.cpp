// Natives of java.lang.System (see system_natives.h).
#include "vm/core/natives/system_natives.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_relations.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/object_array.h"
#include "vm/core/natives/char_conv.h"
#include "vm/core/natives/native_hooks.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/threads/monitors.h"

extern "C" void Java_java_lang_System_identityHashCode() {
  VmHandle object;
  vsHandle_push(&object, 0);
  vsNativeMethod_getParameterObject(1, &object.object);
  vsNativeMethod_setReturnInt(object.object == 0 ? 0 : vsMonitor_ensureHash(&object.object));
  vsHandle_close(&object);
}

extern "C" void Java_java_lang_System_currentTimeMillis() {
  const uint64_t now = static_cast<uint64_t>(vsOs_currentTimeMillis());
  vsNativeMethod_setReturnLong(static_cast<uint32_t>(now), static_cast<uint32_t>(now >> 32));
}

extern "C" void Java_java_lang_System_arraycopy() {
  VmHandle src, dst;
  vsHandle_pushEmpty(&src);
  vsHandle_pushEmpty(&dst);
  vsNativeMethod_getParameterObject(1, &src.object);
  const int32_t srcPos = vsNativeMethod_getParameterInt(2);
  vsNativeMethod_getParameterObject(3, &dst.object);
  const int32_t dstPos = vsNativeMethod_getParameterInt(4);
  const int32_t length = vsNativeMethod_getParameterInt(5);
  if (src.object == 0 || dst.object == 0) {
    vsException_raiseWithCode(kNullPointerClass, kErrArrayCopyNull);
    vsHandle_close(&src);
    return;
  }
  const bool references = vsObject_isObjectArray(src.object) && vsObject_isObjectArray(dst.object);
  const bool primitives = vsObject_isTypeArray(src.object) && vsObject_isTypeArray(dst.object) &&
                          vsObject_class(src.object) == vsObject_class(dst.object);
  if (!references && !primitives) {
    vsException_raiseWithCode(kArrayStoreClass, kErrArrayCopyMismatch);
    vsHandle_close(&src);
    return;
  }
  // Every operand is checked non-negative first, so no difference overflows.
  const int32_t srcLength = vsRef_as<ArrayObject>(src.object)->length;
  const int32_t dstLength = vsRef_as<ArrayObject>(dst.object)->length;
  const bool bad = srcPos < 0 || dstPos < 0 || length < 0 || srcPos > srcLength - length ||
                   dstPos > dstLength - length;
  if (bad)
    vsException_raiseWithCode(kArrayIndexOutOfBoundsClass, 0);
  else if (references)
    vsObjectArray_copy(&src.object, srcPos, &dst.object, dstPos, length);
  else
    vsArray_copyElements(src.object, srcPos, dst.object, dstPos, length);
  vsHandle_close(&src);
}

extern "C" void Java_java_lang_System_getProperty0() {
  vsNativeMethod_setReturnInt(0);
  VmHandle key;
  vsHandle_pushEmpty(&key);
  vsNativeMethod_getParameterObject(1, &key.object);
  const int32_t units = vsNativeMethod_getStringLength(&key.object);
  // Three bytes at most per unit, and the NUL.
  char* utf8 = units >= 0 ? static_cast<char*>(vsMemory_allocPointer(units * 3 + 1)) : nullptr;
  if (utf8 == nullptr) {
    if (units < 0)
      vsException_raiseWithCode(kNullPointerClass, 0);
    else
      vsNativeMethod_throwOutOfMemoryError();
    vsHandle_close(&key);
    return;
  }
  int32_t bytes = 0;
  int32_t errors = 0;
  const StringObject* s = vsRef_as<StringObject>(key.object);
  const uint16_t* chars = vsRef_as<CharArray>(s->value)->elements + s->offset;
  vsCharConv_utf16ToUtf8(chars, 0, units, reinterpret_cast<uint8_t*>(utf8), 0, units * 3, &bytes, &errors, 0);
  utf8[bytes] = '\0';
  const char* value = vsSys_getProperty(utf8);
  vsMemory_freePointer(utf8);
  if (value != nullptr) {
    VmHandle result;
    vsHandle_pushEmpty(&result);
    vsNativeMethod_newStringUtf8Into(value, &result.object);
    vsSys_freeProperty(value);
    if (result.object == 0)
      vsNativeMethod_throwOutOfMemoryError();
    else
      vsNativeMethod_setReturnInt(static_cast<int32_t>(result.object));
  }
  vsHandle_close(&key);
}
