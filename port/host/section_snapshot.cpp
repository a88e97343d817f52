// The snapshot of the VM-variable sections (see section_snapshot.h).
#include "port/host/section_snapshot.h"

#include <cstring>

#include "ce/substrate/low_memory.h"
#include "ce/substrate/vm_sections.h"

namespace {

constexpr uint32_t kSectionTypeVmVariables = 2;

JKT_Section_Info* gSnapshot = nullptr;

}  // namespace

bool SectionSnapshotCreate() {
  SectionSnapshotDelete();
  const VmSectionBounds s = vsSections_bounds();
  const size_t dataBytes = static_cast<size_t>(s.dataEnd - s.dataStart);
  auto* record = static_cast<JKT_Section_Info*>(vsLow_alloc(sizeof(JKT_Section_Info)));
  if (record == nullptr)
    return false;
  uint8_t* copy = nullptr;
  if (dataBytes != 0) {
    copy = static_cast<uint8_t*>(vsLow_alloc(dataBytes));
    if (copy == nullptr) {
      vsLow_free(record);
      return false;
    }
    std::memcpy(copy, s.dataStart, dataBytes);
  }
  record->type = kSectionTypeVmVariables;
  record->dataAddress = vsWord_fromPointer(s.dataStart);
  record->dataSize = static_cast<uint32_t>(dataBytes);
  record->bssAddress = vsWord_fromPointer(s.bssStart);
  record->bssSize = static_cast<uint32_t>(s.bssEnd - s.bssStart);
  record->initDataAddress = vsWord_fromPointer(copy);
  record->copy = copy;
  record->imageBase = 0;
  gSnapshot = record;
  return true;
}

void SectionSnapshotDelete() {
  if (gSnapshot == nullptr)
    return;
  vsLow_free(gSnapshot->copy.get());
  vsLow_free(gSnapshot);
  gSnapshot = nullptr;
}

JKT_Section_Info* JkSectionGetInfoR2(int32_t* count) {
  *count = gSnapshot != nullptr ? 1 : 0;
  return gSnapshot;
}
