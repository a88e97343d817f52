// Drives the class-path decoder (see class_path_driver.h).
#include "vm/core/loader/tests/class_path_driver.h"

#include <cstring>

#include "ce/substrate/low_memory.h"
#include "tests/core/exception_double.h"
#include "tests/core/heap_boot.h"
#include "vm/core/loader/inflater.h"
#include "vm/core/loader/tests/inflater_decoders.h"
#include "vm/core/loader/zip_stream.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/handles.h"
#include "vm/services/lifecycle/mem_file.h"
#include "vm/services/lifecycle/os_file.h"

int32_t vsTestInflate_classPath(const uint8_t* stream, uint32_t length, uint8_t* out,
                                uint32_t outputLength) {
  const VmWord top = vsTestHeap_top();
  auto* copy = static_cast<uint8_t*>(vsLow_alloc(length ? length : 1));
  if (length != 0) std::memcpy(copy, stream, length);
  int32_t status = -1;
  if (vsMemFile_register("/inflate.bin", copy, nullptr, length) > 0) {
    const VmWord file = vsOs_fileOpen("/inflate.bin", "rb");
    VmHandle zip, output;
    vsHandle_pushEmpty(&zip);
    vsHandle_pushEmpty(&output);
    output.object = vsJavaHeap_newByteArray(static_cast<int32_t>(outputLength));
    if (output.object != 0 && vsZipStream_create(&zip.object, file)) {
      status = vsInflater_inflate(&zip.object, length, &output.object, outputLength);
      if (outputLength != 0)
        std::memcpy(out, vsWord_toPointer<ByteArray>(output.object)->elements, outputLength);
      vsZipStream_close(&zip.object);
    } else {
      vsOs_fileClose(file);
    }
    vsHandle_close(&zip);
    vsMemFile_unregister("/inflate.bin", 0);
  }
  vsLow_free(copy);
  vsTestException_clear();
  // Under the collector's stress mode the window may have moved above top;
  // the collections reclaim the decoder's garbage instead.
  if (vsGC_stress.interval == 0) vsTestHeap_dropAbove(top);
  return status;
}

DecodeResult decodeWithClassPathInflater(const std::vector<uint8_t>& stream, uint32_t outputLength) {
  DecodeResult r{0, std::vector<uint8_t>(outputLength), static_cast<uint32_t>(stream.size()), 0};
  r.status = vsTestInflate_classPath(stream.data(), static_cast<uint32_t>(stream.size()), r.out.data(),
                                     outputLength);
  return r;
}
