// Instruction-cache support for a run (service_hooks.h): the start hands
// the platform the process for later cache flushes
// (JkDeviceInitInstructionCache); the end has nothing to release.
#pragma once

#include "vm/core/startup/service_hooks.h"
