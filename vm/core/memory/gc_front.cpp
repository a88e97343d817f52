// The collection front end and the full collection that moves nothing.
//
// Without the compacting collector a heap that cannot serve a request
// during the start-up phase cannot hold the image (fatal error 130); later
// the request fails with the preallocated OutOfMemoryError. The young
// window is the whole Java part.
//
// vsGC_fullCollection marks from every root with finalization selection
// and weak clearing, then sweeps the native area in place: its free list is
// rebuilt from the gaps between marked blocks. Java objects neither move
// nor die here, so callers may hold raw pointers across it; unreachable
// finalizable objects have their finalizers run before it returns.
#include "vm/core/memory/gc_front.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/finalization.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/memory/gc_marking.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/native_area.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"

void vsGC_collectFront(uint32_t) {
  if (vsVmState().startupPhase != 0) vsVm_fatalErrorCode(kFatalHeapTooSmall);
  vsException_throwOutOfMemoryError();
}

void vsGC_requestFullCollection() { vsJavaHeap.collectionStart = vsVmGlobals.heapLow; }

namespace {

void clearCollectionBits() {
  vsGC_clearBits(vsVmGlobals.heapLow, vsVmGlobals.allocationTop);
  vsGC_clearBits(vsJavaHeap.nativeLower, vsJavaHeap.nativeUpper);
}

}  // namespace

void vsGC_fullCollection() {
  GcState& s = vsGC_state;
  if (s.inCollection != 0 || vsJavaHeap.blockStart == 0) return;
  vsVerifier_releaseBciIndex();
  s.inCollection = 1;
  s.nonMoving = 1;
  vsGC_requestFullCollection();
  s.full = 1;
  vsThreadStacks_prepareForCollection();
  clearCollectionBits();
  s.markStackBase = s.markStackPointer = vsVmGlobals.allocationTop;
  s.overflow = 0;
  vsGC_markRoots();
  vsGC_sweepNativeAreaInPlace();
  vsThreadStacks_finishCollection();
  s.inCollection = 0;
  vsFinalizer_runPending();
  clearCollectionBits();
  s.nonMoving = 0;
}

VS_VMBSS(GcStress) vsGC_stress{};

void vsGC_stressPoint() {
  GcStress& stress = vsGC_stress;
  if (stress.interval == 0 || vsVmState().startupPhase != 0 || vsGC_state.inCollection != 0 ||
      vsFinalizer_lists.running != 0)
    return;
  if (stress.countdown > 1) {
    --stress.countdown;
    return;
  }
  stress.countdown = stress.interval;
  vsGC_fullCollection();
}
