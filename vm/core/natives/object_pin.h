// Pinning of Java arrays that natives hand to the platform as plain memory.
//
// Only a byte array of the native area has a pin word (the last word of its
// 16-byte block header, native_area.h), and only there does the collector
// honour a pin. So these pin native blocks alone: any other object or
// address is refused with 0 and nothing is written. The memory service's
// handle arrays are all native blocks; memory_service.h states when a
// porting call needs a pin.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// The new pin count, or 0 when refused.
uint32_t vsObject_pin(VmRef object);
// The lowered pin count, or 0 when refused (also at count 0: nothing is
// written then).
uint32_t vsObject_unpin(VmRef object);
// The pin count unchanged; 0 for anything that is no native block.
uint32_t vsObject_pinCount(VmRef object);
