// Deferred-collection request (see peak_usage.h).
#include "vm/core/model/peak_usage.h"

VS_VMBSS(uint32_t) vsNativeMethod_deferredCollectionBytes;

void vsMemory_updatePeakUsage(uint32_t bytes) {
  if (bytes > vsNativeMethod_deferredCollectionBytes) vsNativeMethod_deferredCollectionBytes = bytes;
}
