// The start of the built-in parts (see parts_initializer.h).
#include "vm/services/lifecycle/parts_initializer.h"

#include "vm/core/natives/properties.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/connection/parts.h"
#include "vm/services/lifecycle/vm_callback.h"
#include "vm/services/lifecycle/vm_clock.h"
#include "vm/services/text/option.h"

int32_t vsParts_Initializer() {
  vsProperty_initialize();
  vsOption_initialize();
  vsParts_initializeAll();
  vsVmCallback_vmStarted();
  vsVmState().vmActive = 1;
  vsClock_rebase();
  return 0;
}
