// The preallocated OutOfMemoryError: raising it allocates nothing, so it
// works when the heap is exhausted.
#include "vm/core/interp/exceptions.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"

void vsException_throwOutOfMemoryError() { vsPendingException() = vsRoot(kRootOutOfMemoryError); }
