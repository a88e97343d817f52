// Aligned areas (see vm/core/memory/aligned_area.h, where the heap that
// uses them declares them).
#include "vm/core/memory/aligned_area.h"

#include "ce/substrate/vm_sections.h"
#include "vm/core/startup/memory_split.h"

namespace {

struct AlignedAreaSlot {
  VmWord raw;
  VmWord aligned;
  uint32_t used;
  uint32_t capacity;
};

VS_VMBSS(AlignedAreaSlot[2]) gSlots{};

AlignedAreaSlot* slotOf(VmWord address) {
  if (address == 0) return nullptr;
  for (AlignedAreaSlot& s : gSlots)
    if (s.aligned == address) return &s;
  return nullptr;
}

}  // namespace

VmWord vsAlignedArea_alloc(uint32_t used, uint32_t capacity, uint32_t alignment) {
  if (used > capacity || alignment == 0 || (alignment & (alignment - 1)) != 0) return 0;
  AlignedAreaSlot* slot = gSlots[0].aligned == 0 ? &gSlots[0] : gSlots[1].aligned == 0 ? &gSlots[1] : nullptr;
  const uint64_t rawBytes = uint64_t{capacity} + alignment;
  if (slot == nullptr || rawBytes > 0xffffffffu) return 0;
  const VmWord raw = vsVm_allocReserved(static_cast<uint32_t>(rawBytes));
  if (raw == 0) return 0;
  slot->raw = raw;
  slot->aligned = (raw + alignment - 1) & ~(alignment - 1);
  slot->used = used;
  slot->capacity = capacity;
  return slot->aligned;
}

uint32_t vsAlignedArea_resize(VmWord address, uint32_t size) {
  AlignedAreaSlot* slot = slotOf(address);
  if (slot == nullptr || size > slot->capacity) return 0;
  const uint32_t previous = slot->used;
  slot->used = size;
  return previous;
}

void vsAlignedArea_free(VmWord address) {
  AlignedAreaSlot* slot = slotOf(address);
  if (slot == nullptr) return;
  vsVm_freeReserved(slot->raw);
  *slot = AlignedAreaSlot{};
}
