// Pinning of native blocks (see object_pin.h).
#include "vm/core/natives/object_pin.h"

#include "vm/core/memory/native_area.h"

uint32_t vsObject_pin(VmRef object) { return vsObject_incrementPinCount(object); }

uint32_t vsObject_unpin(VmRef object) { return vsObject_decrementPinCount(object); }

uint32_t vsObject_pinCount(VmRef object) { return vsObject_getPinCount(object); }
