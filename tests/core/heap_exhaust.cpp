// A Java part with no room left (see heap_exhaust.h).
#include "tests/core/heap_exhaust.h"

#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/vm_globals.h"

void vsTestHeap_exhaust(VmHandle* filler) {
  vsHandle_pushEmpty(filler);
  vsJavaHeap.fixed = 0;
  vsGC_requestFullCollection();
  vsGC_collect(0);
  VmGlobals& g = vsVmGlobals;
  g.allocationEnd = g.heapHigh;
  filler->object = vsJavaHeap_newByteArray(static_cast<int32_t>(g.heapHigh - g.allocationTop - 8));
}
