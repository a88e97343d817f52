// Natives of com.sun.cldcvk.io.ConsoleOutputStream (see console_natives.h).
#include "vm/core/natives/console_natives.h"

#include "vm/core/natives/native_hooks.h"
#include "vm/core/natives/native_method.h"

extern "C" void Java_com_sun_cldcvk_io_ConsoleOutputStream_write() {
  const char byte = static_cast<char>(vsNativeMethod_getParameterInt(1) & 0xFF);
  vsSys_consoleWrite(&byte, 1);
}

extern "C" void Java_com_sun_cldcvk_io_ConsoleOutputStream_writeBytes() {
  VmRef array = 0;
  vsNativeMethod_getParameterObject(1, &array);
  const int32_t off = vsNativeMethod_getParameterInt(2);
  const int32_t len = vsNativeMethod_getParameterInt(3);
  if (array == 0 || off < 0 || len < 0) return;
  const ByteArray* b = vsRef_as<ByteArray>(array);
  if (off > b->length - len) return;
  vsSys_consoleWrite(reinterpret_cast<const char*>(b->elements + off), len);
}
