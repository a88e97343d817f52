// Heap walk of the fixture (see heap_fixture.h).
#include "tests/core/heap_fixture.h"

#include "vm/core/memory/object_size.h"
#include "vm/core/model/vm_globals.h"

std::vector<VmWord> vsTestHeap_walk() {
  std::vector<VmWord> starts;
  const VmWord top = vsVmGlobals.allocationTop;
  VmWord at = vsVmGlobals.heapLow;
  while (at < top) {
    starts.push_back(at);
    const uint32_t size = vsJavaHeap_objectSize(at);
    if (size == 0) {
      ADD_FAILURE() << "object of size 0 at " << std::hex << at;
      break;
    }
    at += size;
  }
  EXPECT_EQ(at, top) << "the walk does not end on the allocation top";
  return starts;
}
