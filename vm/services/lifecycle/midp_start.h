// The start of one MIDP application and its control by vmId.
//
// vsVmStartMIDP runs on the host's VM thread and returns when the
// application has ended:
//
//   banner -> started? (-2) -> variable reset, vmId -> handler, checks (-1)
//   -> reader probes -> heap area laid out:
//
//     heapAddr                                              heapAddr+heapSize
//     | class name NUL pad | char* x count | param NUL pad... | VM memory |
//       (length + 1 rounded up by 4 - (length + 1) mod 4, each string)
//
//   -> started set (-108 when another start set it meanwhile) -> launch
//   record -> callback set registered -> vsVm_run with the adapter ->
//   result: > 1 becomes -127, -11 after a terminate; started cleared.
//
// Without a class name in the record the name is chosen from the merged
// JAD and manifest (the first 1024 bytes of the heap hold it, the rest is
// the descriptor service's work area while it runs): "MIDlet-1"'s third
// field, or "javax.microedition.midlet.MidletSelector" when "MIDlet-2" is
// there or "MIDlet-1" is missing or has no third field.
//
// The adapter (the core's event handler) calls the host's handler; for
// event 4 the param is -11 after a terminate, else the normalised status.
// After event 2 the VM thread blocks on the wake object (an automatic-reset
// CE event, one per run) until the suspended word is 0 again, between the log lines
// "----- VM Busy Wait starting ...\n" and "----- VM Busy Wait done\n";
// resume, stop and terminate clear the word and set the object.
#pragma once

#include <cstdint>

#include "vm/core/startup/vm_control.h"
#include "vm/services/lifecycle/launch_record.h"

int32_t vsVmStartMIDP(int32_t vmId, int32_t heapSize, uint8_t* heapAddr, const JKT_MIDP_Application* app,
                      VmEventHandler handler, int32_t vmParamCount, const char* const* vmParams,
                      const int32_t* vmParamLens);
int32_t OamsVmStartMIDP(int32_t vmId, int32_t heapSize, uint8_t* heapAddr, const JKT_MIDP_Application* app,
                        VmEventHandler handler, int32_t vmParamCount, const char* const* vmParams,
                        const int32_t* vmParamLens);

// Host-thread control by vmId. Stop: 0, -1 when vmId < 1, -2 when no VM is
// started under that id. Suspend: 0, -2 also when already suspended.
// Resume: 0, -2 when not suspended. Pause: 0, -2 also when paused.
// Terminate: the checks of stop.
int32_t OamsVmStop(int32_t vmId);
int32_t OamsVmSuspend(int32_t vmId);
int32_t OamsVmResume(int32_t vmId);
int32_t OamsVmTerminate(int32_t vmId);
int32_t OamsVmPause(int32_t vmId);

// How many blocking waits of the adapter have begun in this run (for tests
// and launchers: a resume sent after the count grew finds the VM thread
// waiting).
int32_t vsVmStart_blockingWaits();
