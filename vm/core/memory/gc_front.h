// The collection front end: makes room for an allocation of n bytes, or
// leaves an exception pending.
#pragma once

#include <cstdint>

void vsGC_collectFront(uint32_t n);

// A full collection that moves nothing, safe where callers hold raw
// pointers into heap objects. Stand-in until the collector exists: it
// collects nothing, so callers that retry after it fail as before.
void vsGC_fullCollection();
