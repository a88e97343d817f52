// The collection front end: makes room for an allocation of n bytes, or
// leaves an exception pending.
#pragma once

#include <cstdint>

void vsGC_collectFront(uint32_t n);
