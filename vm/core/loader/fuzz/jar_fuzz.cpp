// Opens the input as the application archive "/app.jar", enumerates its
// entries and reads every one of them, directly and through the class path.
// Hostile archives may fail anywhere; they must never crash, leak or reach
// outside a buffer. One test heap serves every input: what an input
// allocated is dropped after it.
#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/core/exception_double.h"
#include "tests/core/heap_boot.h"
#include "tests/support/fuzz_main.h"
#include "vm/core/loader/class_path.h"
#include "vm/core/loader/jar_file.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/vm_globals.h"
#include "vm/services/lifecycle/mem_file.h"

namespace {

constexpr uint32_t kHeapBytes = 4u << 20;
constexpr size_t kMaxLookups = 8;

std::vector<std::string>* gNames;

void readEntry(const char* name, uint32_t nameLength, VsJarFile* jar) {
  if (gNames->size() < kMaxLookups) gNames->emplace_back(name, nameLength);
  VmHandle array;
  vsHandle_pushEmpty(&array);
  const uint32_t size = vsJarFile_entrySize(jar);
  if (size <= 0x7FFFFFFF) array.object = vsJavaHeap_newByteArray(static_cast<int32_t>(size));
  if (array.object != 0) static_cast<void>(vsJarFile_readEntry(jar, &array.object, size));
  vsHandle_close(&array);
  vsTestException_clear();  // an entry too large for the heap: go on
}

void body(const uint8_t* data, size_t size) {
  static const bool booted = vsTestHeap_boot(kHeapBytes, kHeapBytes);
  if (!booted) __builtin_trap();
  if (size > (1u << 20)) return;
  const VmWord top = vsTestHeap_top();
  auto* copy = static_cast<uint8_t*>(vsLow_alloc(size ? size : 1));
  if (size != 0) std::memcpy(copy, data, size);
  std::vector<std::string> names;
  gNames = &names;
  if (vsMemFile_register("/app.jar", copy, nullptr, static_cast<uint32_t>(size)) > 0 &&
      vsClassPath_set("/app.jar")) {
    vsJarFile_forEachEntry("/app.jar", "", readEntry);
    vsTestException_clear();
    vsJarFile_forEachEntry("/app.jar", ".class", readEntry);
    vsTestException_clear();
    for (const std::string& n : names) {
      static_cast<void>(vsClassPath_findResource(n.c_str(), 0));
      vsTestException_clear();
    }
    vsMemFile_unregister("/app.jar", 0);
  }
  vsLow_free(copy);
  vsTestException_clear();
  vsTestHeap_dropAbove(top);
}

}  // namespace

VS_FUZZ_TARGET(body)
