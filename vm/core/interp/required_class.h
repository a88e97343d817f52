// Classes the VM cannot run without.
#pragma once

#include "vm/core/model/object_layout.h"

// Finds or loads the class (kind 1); when that raises, the VM ends with
// fatal error 129. Returns the class.
VmRef vsVm_loadRequiredClass(const char* name);
