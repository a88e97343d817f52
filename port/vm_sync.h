// The VM lock and the VM wake-up event.
//
// One VmSyncObject per MIDlet run: the critical section that every thread
// takes around the VM's event queues, and a manual-reset event on which the
// idle VM thread sleeps and which posters set. The VM window's platform
// set-up creates it and its tear-down deletes it (vmrun does both around
// each run). It is host state, outside the VM-variable sections.
#pragma once

#include <cstdint>

#include "ce/core/critical_section.h"
#include "ce/core/windows_types.h"

struct VmSyncObject {
  CRITICAL_SECTION lock;
  HANDLE event;  // manual reset, created non-signalled
};

// False when the event cannot be created. Replaces an earlier object.
bool VmSyncCreate();
void VmSyncDelete();

// The functions below need the object: calling them without one is a
// programming error that ends the process with a message.
void JkVmEnterCriticalSection();
void JkVmLeaveCriticalSection();
void JkVmEventSet();    // EventModify(event, EVENT_SET)
void JkVmEventReset();  // EventModify(event, EVENT_RESET)
// 0 when the event is signalled, -1 on time-out; -1 as argument waits
// without limit.
int32_t JkVmEventWait(int32_t milliseconds);

// Tests replace the wait by a function of the same contract (null restores
// the event wait); it needs no sync object.
using VmEventWaitHook = int32_t (*)(int32_t milliseconds);
void VmSyncSetWaitHook(VmEventWaitHook hook);
