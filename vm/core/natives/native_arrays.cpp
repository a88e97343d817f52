// Arrays created for natives (see native_arrays.h).
#include "vm/core/natives/native_arrays.h"

#include <cstring>

#include "vm/core/memory/native_area.h"

VmRef vsNativeMethod_newByteArray(const void* data, int32_t n) {
  const VmRef array = vsJavaHeap_newNativeByteArray(n);
  if (array != 0 && data != nullptr && n > 0)
    std::memcpy(vsRef_as<ByteArray>(array)->elements, data, static_cast<size_t>(n));
  return array;
}
