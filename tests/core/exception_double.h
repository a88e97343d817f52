// Test double of the exception entries that the class loader and the
// interpreter will provide: it records the class name and code of the last
// raise and makes a marker object pending.
#pragma once

#include <cstdint>
#include <string>

#include "vm/core/model/object_layout.h"

struct RaisedException {
  int count = 0;
  std::string className;
  bool hasCode = false;
  int32_t code = 0;
};

// What was raised since the last clear.
const RaisedException& vsTestException_last();
// Forgets the record and clears the pending-exception word.
void vsTestException_clear();
// The object the double makes pending (set by the heap fixture).
void vsTestException_setMarker(VmRef marker);
