// The start of the built-in parts, after the core start and before main
// is queued (vsParts_Initializer, service_hooks.h): the system properties'
// buffer, the option buffer, the built-in parts (connection/parts.h), the
// STARTED callbacks (vm_callback.h), the VM-active word set, then the clock's
// re-base to the wall clock (vm_clock.h).
#pragma once

#include "vm/core/startup/service_hooks.h"
