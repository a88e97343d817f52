// Lifecycle reports: each VM state change reaches the registered hook
// tables (vm_hooks.h) and the host's event handler in a fixed order.
//
//   STARTED    host handler (event 1), then every onStarted
//   SUSPENDED  every onSuspended, then the host handler (event 2)
//   RESUMED    clock re-base, every onResumed, then the host handler (3)
//   STOPPED    every onStopped, then the host handler (4, exit code)
//
// The host handler is reached through the core's handler (the start's
// adapter, midp_start.h), and only for events above 0. The callback set
// registered at every start is one hook table: onSuspended sets the
// suspended word and suspends the platform resources, onResumed clears it
// and resumes them, onStopped resets the soft-key labels and, while the VM
// runs, closes the native files and stops the platform resources.
#pragma once

#include <cstdint>

#include "vm/core/natives/midlet_hooks.h"
#include "vm/core/startup/service_hooks.h"

// Host events.
enum : int32_t {
  kVsVmEventStarted = 1,
  kVsVmEventSuspended = 2,
  kVsVmEventResumed = 3,
  kVsVmEventStopped = 4,
  kVsVmEventPaintReady = 10,
  kVsAppEventStarted = 20,
  kVsAppEventPaused = 21,
  kVsAppEventResumed = 22,
  kVsAppEventDestroyed = 23,
};

// Registers the callback set; "ERROR: vsVmCallback_registerFunction.\n"
// when the registry is full.
void vsVmCallback_registerFunction();
// The core's handler (vmId, event, param), for event > 0 when one is set.
void vsVmCallback_dispatch(int32_t vmId, int32_t event, int32_t param);
// 1-4 stay, 11-14 become 20-23; anything else logs
// "vsVmCallback_convertEvents : Illegal parameter.\n" and gives 0.
int32_t vsVmCallback_convertEvents(int32_t code);
// vsVmCallback_vmStarted, _vmSuspended, _vmResumed, _vmStopped:
// service_hooks.h; the application's reports: midlet_hooks.h.
