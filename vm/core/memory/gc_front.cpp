// Collection front end without a collector: a heap that cannot serve a
// request during the start-up phase cannot hold the image (fatal error 130);
// later the request fails with the preallocated OutOfMemoryError. The young
// window is the whole Java part, so nothing could be gained by widening it.
// The non-moving full collection finds nothing to free without a marker.
#include "vm/core/memory/gc_front.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/startup/vm_control.h"

void vsGC_collectFront(uint32_t) {
  if (vsVmState().startupPhase != 0) vsVm_fatalErrorCode(kFatalHeapTooSmall);
  vsException_throwOutOfMemoryError();
}

void vsGC_fullCollection() {}
