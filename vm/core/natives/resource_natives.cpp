// Natives of com.sun.cldc.io.ResourceInputStream (see resource_natives.h).
#include "vm/core/natives/resource_natives.h"

#include <cstring>

#include "vm/core/loader/class_path.h"
#include "vm/core/loader/jar_file.h"
#include "vm/core/model/handles.h"
#include "vm/core/natives/char_conv.h"
#include "vm/core/natives/native_hooks.h"
#include "vm/core/natives/native_method.h"

namespace {

// The byte array of parameter i, null for null.
const ByteArray* dataAt(uint32_t i) {
  VmRef data = 0;
  vsNativeMethod_getParameterObject(i, &data);
  return data != 0 ? vsRef_as<ByteArray>(data) : nullptr;
}

}  // namespace

extern "C" void Java_com_sun_cldc_io_ResourceInputStream_open() {
  vsNativeMethod_setReturnInt(0);
  VmHandle name;
  vsHandle_pushEmpty(&name);
  vsNativeMethod_getParameterObject(1, &name.object);
  const int32_t units = vsNativeMethod_getStringLength(&name.object);
  if (units < 0) {
    vsHandle_close(&name);
    return;
  }
  char* utf8 = static_cast<char*>(vsMemory_allocPointer(units * 3 + 1));
  if (utf8 == nullptr) {
    vsNativeMethod_throwOutOfMemoryError();
    vsHandle_close(&name);
    return;
  }
  const StringObject* s = vsRef_as<StringObject>(name.object);
  int32_t bytes = 0;
  int32_t errors = 0;
  vsCharConv_utf16ToUtf8(vsRef_as<CharArray>(s->value)->elements + s->offset, 0, units,
                         reinterpret_cast<uint8_t*>(utf8), 0, units * 3, &bytes, &errors, 0);
  utf8[bytes] = '\0';
  vsJarFile_existenceQuery = 1;
  const VmRef data = vsClassPath_findResource(utf8, 0);
  vsJarFile_existenceQuery = 0;
  vsMemory_freePointer(utf8);
  vsNativeMethod_setReturnInt(static_cast<int32_t>(data));
  vsHandle_close(&name);
}

extern "C" void Java_com_sun_cldc_io_ResourceInputStream_read() {
  const ByteArray* data = dataAt(1);
  const int32_t pos = vsNativeMethod_getParameterInt(2);
  const bool inside = data != nullptr && pos >= 0 && pos < data->length;
  vsNativeMethod_setReturnInt(inside ? static_cast<uint8_t>(data->elements[pos]) : -1);
}

extern "C" void Java_com_sun_cldc_io_ResourceInputStream_readBytes() {
  const ByteArray* data = dataAt(1);
  const int32_t pos = vsNativeMethod_getParameterInt(2);
  const int32_t len = vsNativeMethod_getParameterInt(3);
  VmRef target = 0;
  vsNativeMethod_getParameterObject(4, &target);
  const int32_t off = vsNativeMethod_getParameterInt(5);
  int32_t result = -1;
  if (data != nullptr && target != 0 && pos >= 0 && pos < data->length && off >= 0 && len >= 0) {
    ByteArray* b = vsRef_as<ByteArray>(target);
    const int32_t left = data->length - pos;
    const int32_t n = len < left ? len : left;
    if (n > 0 && off <= b->length - n) {
      std::memmove(b->elements + off, data->elements + pos, static_cast<size_t>(n));
      result = n;
    }
  }
  vsNativeMethod_setReturnInt(result);
}

extern "C" void Java_com_sun_cldc_io_ResourceInputStream_size() {
  const ByteArray* data = dataAt(1);
  vsNativeMethod_setReturnInt(data != nullptr ? data->length : 0);
}
