// Re-initialisation of the VM variables before a run.
//
// First the section reset (mode 1) restores every VM variable to its
// load-time value; then each module that keeps state outside the sections
// resets it: the re-entry handler table is emptied.
#pragma once

#include <cstdint>

// 0, or the section reset's negative error.
int32_t vsVm_initializeVariables();
