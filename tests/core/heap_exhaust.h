// A Java part with no room left, for tests of what exhaustion does: with
// a collector that reclaims, only live objects can fill it.
#pragma once

#include "vm/core/model/object_layout.h"

// A full collection, then one live byte array up to heap end, held in
// `filler` (opened here; the caller closes it); the native area keeps its
// space. Every later allocation from the Java part fails with
// OutOfMemoryError, after collections that reclaim nothing.
void vsTestHeap_exhaust(VmHandle* filler);
