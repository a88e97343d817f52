// The image-less core for tests (see core_start.h).
#include "tests/core/core_start.h"

#include <cstdio>
#include <cstring>

#include "ce/substrate/low_memory.h"
#include "ce/substrate/vm_sections.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/loader/class_path.h"
#include "vm/core/loader/image_less_start.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/memory_split.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/services/lifecycle/mem_file.h"

namespace {

struct Snapshot {
  std::vector<uint8_t> data;
  std::vector<uint8_t> bss;
  std::vector<uint8_t> heap;
  std::vector<uint8_t> side;
};

Snapshot gSnapshot;

// Archive bytes live in low memory for the memory files; kept for the process.
const uint8_t* lowCopy(const std::vector<uint8_t>& bytes) {
  auto* copy = static_cast<uint8_t*>(vsLow_alloc(bytes.empty() ? 1 : bytes.size()));
  if (copy != nullptr && !bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
  return copy;
}

uint32_t sideTableBytes() {
  const JavaHeapState& h = vsJavaHeap;
  return (h.blockTable - h.sideTable) + 4 * h.geometry.blockCount;
}

}  // namespace

std::vector<uint8_t> vsTestCore_readFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return bytes;
}

bool vsTestCore_boot(const std::vector<uint8_t>& library, const std::vector<uint8_t>& application,
                     uint32_t heapBytes) {
  const uint32_t area = heapBytes + heapBytes / 8 + 65536;
  void* memory = vsLow_alloc(area);
  const uint8_t* sys = lowCopy(library);
  const uint8_t* app = lowCopy(application);
  if (memory == nullptr || sys == nullptr || app == nullptr) return false;
  vsVm_sizeHeap({vsWord_fromPointer(memory), area}, 0, 0);
  vsVmFlags().HeapMin = static_cast<int32_t>(heapBytes);
  vsVmFlags().HeapCapacity = static_cast<int32_t>(heapBytes);
  if (vsJavaHeap_setup(0, 0) != 1) return false;
  vsMemFile_register(kSystemLibraryName, sys, nullptr, static_cast<uint32_t>(library.size()));
  vsMemFile_register("/app.jar", app, nullptr, static_cast<uint32_t>(application.size()));
  if (vsClassPath_set("/sys.jar;/app.jar") == 0) return false;
  vsCore_startWithoutImage();
  if (vsVmState().buildingImage == 0) vsVmState().startupPhase = 0;
  return true;
}

void vsTestCore_snapshot() {
  const VmSectionBounds b = vsSections_bounds();
  gSnapshot.data.assign(b.dataStart, b.dataEnd);
  gSnapshot.bss.assign(b.bssStart, b.bssEnd);
  const uint8_t* heap = vsWord_toPointer<uint8_t>(vsVmGlobals.heapLow);
  gSnapshot.heap.assign(heap, heap + (vsVmGlobals.allocationTop - vsVmGlobals.heapLow));
  const uint8_t* side = vsWord_toPointer<uint8_t>(vsJavaHeap.sideTable);
  gSnapshot.side.assign(side, side + sideTableBytes());
}

void vsTestCore_restore() {
  const VmSectionBounds b = vsSections_bounds();
  std::memcpy(b.dataStart, gSnapshot.data.data(), gSnapshot.data.size());
  std::memcpy(b.bssStart, gSnapshot.bss.data(), gSnapshot.bss.size());
  std::memcpy(vsWord_toPointer<uint8_t>(vsVmGlobals.heapLow), gSnapshot.heap.data(), gSnapshot.heap.size());
  std::memcpy(vsWord_toPointer<uint8_t>(vsJavaHeap.sideTable), gSnapshot.side.data(), gSnapshot.side.size());
}
