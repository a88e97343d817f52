// Re-initialisation of the VM variables before a run.
//
// First the section reset (mode 1) restores every VM variable to its
// load-time value; then the modules reset their run state themselves (also
// without a host section table): the event system's pending events and key
// queue, the connection framework's registries, and the re-entry handler
// table.
#pragma once

#include <cstdint>

// 0, or the section reset's negative error.
int32_t vsVm_initializeVariables();
