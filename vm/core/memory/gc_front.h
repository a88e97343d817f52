// The collection front end: makes room for an allocation of n bytes, or
// leaves an exception pending.
#pragma once

#include <cstdint>

void vsGC_collectFront(uint32_t n);

// A full collection that moves nothing, safe where callers hold raw
// pointers into heap objects: it frees native-area blocks, selects the
// unreachable finalizable objects and runs their finalizers, and clears
// weak entries; dead Java objects stay until a compacting collection.
void vsGC_fullCollection();
// The next collection examines the whole Java part.
void vsGC_requestFullCollection();
