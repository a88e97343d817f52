// The start of the built-in parts (see parts_initializer.h).
#include "vm/services/lifecycle/parts_initializer.h"

#include "vm/core/natives/properties.h"
#include "vm/core/startup/vm_control.h"

int32_t vsParts_Initializer() {
  vsProperty_initialize();
  vsVmState().vmActive = 1;
  return 0;
}
