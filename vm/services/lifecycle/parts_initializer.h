// The start of the built-in parts, after the core start and before main
// is queued (vsParts_Initializer, service_hooks.h): the system properties'
// buffer, the option buffer, the built-in parts (connection/parts.h), then
// the VM-active word is set.
#pragma once

#include "vm/core/startup/service_hooks.h"
