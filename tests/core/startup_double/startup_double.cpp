// Test double of the start-up module's flags, control words, fatal error and
// reserved-block allocator, with the same declarations, for the tests of the
// heap and object model until the start-up module is part of the tree.
#include <cstdio>
#include <cstdlib>

#include "ce/substrate/vm_sections.h"
#include "vm/core/startup/memory_split.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"

namespace {

VS_VMDATA(VmFlagValues) gFlags = {
#define VS_VM_FLAG_DEFAULT(type, name, value) value,
    VS_VM_FLAGS(VS_VM_FLAG_DEFAULT)
#undef VS_VM_FLAG_DEFAULT
};

VS_VMDATA(VmStateWords) gState = {0, 0, 0, 0, kVsVm_defaultNativeMemoryRatio, 0, 0, 0, 0, 0, 1, 0};

struct Reserved {
  VmWord next;
  VmWord end;
};

VS_VMBSS(Reserved) gReserved;

}  // namespace

VmFlagValues& vsVmFlags() { return gFlags; }

VmStateWords& vsVmState() { return gState; }

void vsVm_fatalErrorCode(int32_t code) {
  std::fprintf(stderr, "Fatal error: %3d\n", code);
  std::fflush(stderr);
  std::_Exit(255);
}

int32_t vsVm_sizeHeap(VmHeapArea area, uint32_t, uint32_t) {
  gReserved.next = (area.address + 3) & ~VmWord{3};
  gReserved.end = area.address + area.size;
  const uint32_t h = ((area.size - 8452) / 33 * 32) & ~uint32_t{127};
  gFlags.HeapCapacity = gFlags.HeapMin = static_cast<int32_t>(h);
  return 0;
}

VmWord vsVm_allocReserved(uint32_t size) {
  const uint64_t rounded = (uint64_t{size} + 3) & ~uint64_t{3};
  if (rounded > gReserved.end - gReserved.next) return 0;
  const VmWord block = gReserved.next;
  gReserved.next += static_cast<uint32_t>(rounded);
  return block;
}

void vsVm_freeReserved(VmWord) {}
