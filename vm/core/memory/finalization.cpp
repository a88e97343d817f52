// Finalization lists and the running of native finalizers (see
// finalization.h).
#include "vm/core/memory/finalization.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/memory/compiled_code.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/memory/gc_marking.h"
#include "vm/core/memory/heap_allocators.h"
#ifdef VS_GC_DEBUG
#include "vm/core/memory/heap_verifier.h"
#endif
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/vm_flags.h"

VS_VMBSS(FinalizationLists) vsFinalizer_lists{};

namespace {

constexpr int32_t kRecordObject = 0;
constexpr int32_t kRecordNext = 1;

VmRef* field(VmRef record, int32_t i) { return &vsRef_as<ObjectArray>(record)->elements[i]; }

}  // namespace

int32_t vsFinalizer_register(const VmRef* object) {
  const VmRef record = vsJavaHeap_newObjectArray(2);
  if (record == 0) return 0;
  FinalizationLists& lists = vsFinalizer_lists;
  vsJavaHeap_storeReference(field(record, kRecordObject), *object);
  vsJavaHeap_storeReference(field(record, kRecordNext), lists.finalizable);
  lists.finalizable = record;
  return 1;
}

void vsFinalizer_selectUnreachable() {
  FinalizationLists& lists = vsFinalizer_lists;
  VmRef* link = &lists.finalizable;
  while (*link != 0) {
    const VmRef record = *link;
    if (vsGC_isLive(*field(record, kRecordObject))) {
      link = field(record, kRecordNext);
      continue;
    }
    *link = *field(record, kRecordNext);
    *field(record, kRecordNext) = lists.pending;
    lists.pending = record;
  }
}

void vsFinalizer_markList(VmRef* head) {
  vsGC_drainMarkStack(head);
  for (VmRef record = *head; record != 0; record = *field(record, kRecordNext)) {
    vsGC_drainMarkStack(field(record, kRecordObject));
    vsGC_drainMarkStack(field(record, kRecordNext));
  }
}

void vsFinalizer_unmarkPending() {
  for (VmRef record = vsFinalizer_lists.pending; record != 0; record = *field(record, kRecordNext)) {
    const VmRef object = *field(record, kRecordObject);
    if (vsGC_inCollectedRegion(object)) vsGC_clearBits(object, object + 4);
  }
}

void vsFinalizer_invoke(const VmRef* record) {
  VmHandle object;
  vsHandle_push(&object, *field(*record, kRecordObject));
  const VmWord finalizer = object.object == 0 ? 0 : vsObject_class(object.object)->finalizer;
  if (finalizer != 0) {
    const VmRef pending = vsPendingException();
    vsPendingException() = 0;
    vsNative_callFinalizer(finalizer, &object.object);
    vsPendingException() = pending;
  }
  vsHandle_close(&object);
}

int32_t vsFinalizer_runPending() {
  // A finalizer could allocate and so move what a compilation works on.
  if (vsJit_heapWords.compiling != 0) return 0;
  FinalizationLists& lists = vsFinalizer_lists;
  // A finalizer's allocation may collect and so run this again inside.
  const uint32_t outer = lists.running;
  lists.running = 1;
  int32_t count = 0;
  VmHandle record;
  vsHandle_pushEmpty(&record);
  while (lists.pending != 0) {
    record.object = lists.pending;
    lists.pending = *field(record.object, kRecordNext);
    vsFinalizer_invoke(&record.object);
    ++count;
  }
  vsHandle_close(&record);
  lists.running = outer;
  if (vsVmFlags().RepotFinalization != 0)
    vsOutputStream_printLine(vsOutputStream_log(), "RepotFinalization: finished to invoke finalizer. count = %d",
                             count);
  return count;
}

void vsFinalizer_moveAllToPending() {
  FinalizationLists& lists = vsFinalizer_lists;
  while (lists.finalizable != 0) {
    const VmRef record = lists.finalizable;
    lists.finalizable = *field(record, kRecordNext);
    vsJavaHeap_storeReference(field(record, kRecordNext), lists.pending);
    lists.pending = record;
  }
}

void vsFinalizer_runAtExit() {
  FinalizationLists& lists = vsFinalizer_lists;
  const bool runnable = vsJavaHeap.blockStart != 0 && vsGC_state.inCollection == 0 && lists.running == 0;
#ifdef VS_GC_DEBUG
  if (runnable) vsHeapVerifier_run(false);
#endif
  if (runnable && (lists.finalizable != 0 || lists.pending != 0)) {
    vsFinalizer_moveAllToPending();
    vsFinalizer_runPending();
  }
  lists = FinalizationLists{};
}
