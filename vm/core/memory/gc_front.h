// The collection front end, and the collections: the compacting one (young
// or full) and the full one that moves nothing.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"

// Called when an allocation of n bytes finds no room: fatal error 130
// during the start-up phase, else collections (moving objects) until the
// young window, or for a native-area allocation (nativeAllocating set) the
// native area, has room for n; otherwise OutOfMemoryError pending.
// Callers hold their references in handles or other roots.
void vsGC_collectFront(uint32_t n);
// A full collection through the front end for n bytes, with no exception
// left pending: the deferred collection of the native call stubs.
void vsGC_collectForAllocation(uint32_t n);
// A collection through the front end for one byte, with no exception left
// pending: young unless the next one was due to be full (System.gc-style
// natives).
void vsGC_collectFromNative();
// A full collection through the front end for one byte, with no exception
// left pending.
void vsGC_collectForYield();
// One compacting collection, young or full by the collection start, that
// leaves the young window open for n bytes when it can; returns 1 for a
// full one. Callers hold their references in handles or other roots.
int32_t vsGC_collect(uint32_t n);

// A full collection that moves nothing, safe where callers hold raw
// pointers into heap objects: it frees native-area blocks, selects the
// unreachable finalizable objects and runs their finalizers, and clears
// weak entries; dead Java objects stay until a compacting collection.
void vsGC_fullCollection();
// The next collection examines the whole Java part.
void vsGC_requestFullCollection();

// The stress mode of the test launchers' collector-debugging builds: with
// an interval n above 0, every n-th allocation of the Java heap after the
// start-up phase first runs a collection. 0 (the default) is off. With
// compacting 0 the collection is vsGC_fullCollection; with 1 it is
// vsGC_collect, every 8th of them full and the others young, so objects
// move under the allocation's caller.
struct GcStress {
  uint32_t interval;
  uint32_t countdown;
  uint32_t compacting;
  uint32_t collections;  // compacting collections run so far
};

extern VmVariable<GcStress> vsGC_stress;

// Called by the allocator before each allocation of n bytes.
void vsGC_stressPoint(uint32_t n);
