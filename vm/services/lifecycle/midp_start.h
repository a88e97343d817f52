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
//   -> test run set up (below) -> started set (-108 when another start set
//   it meanwhile) -> launch record -> callback set registered -> vsVm_run
//   with the adapter -> result: > 1 becomes -127, 2 for a test run, -11
//   after a terminate; started cleared.
//
// A record with test parameters (tckInfo) is a test run: the test agent
// (tck_agent.h) is set up over the remaining heap (-9 when that fails, -1
// when the class is no test agent or the parameters lack their buffers)
// and becomes the core's test-harness record. With nothing preloaded it
// fetches the test's JAD and JAR (0 when that fails): the launch record
// names them and the test's class is the MIDlet's argument. With a
// preloaded test the core runs the parameters' JAR and class, and the
// agent keeps the application's JAD and JAR (read behind the used heap when
// only its reader gives it: -10, -1). Agents of kind 0 run the CLDC test
// agent class without arguments.
//
// Without a class name in the record the name is chosen from the merged
// JAD and manifest by vsApp_chooseClassName (class_choice.h) over the
// heap.
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
