// Natives of the process-event handler (see process_event_handler.h).
#include "natives/process_event_handler.h"

#include "vm/core/natives/native_method.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/events/event_posters.h"

extern "C" void Java_com_vostel_micro_event_ProcessEventHandler_terminateVm() { vsVm_terminate(vsVm_currentVmId()); }

extern "C" void Java_com_vostel_micro_event_ProcessEventHandler_resumeVm() { vsVm_resume(vsVm_currentVmId()); }

extern "C" void Java_com_vostel_micro_event_ProcessEventHandler_suspendVm() { vsVm_suspend(vsVm_currentVmId()); }

extern "C" void Java_com_vostel_micro_event_ProcessEventHandler_clearKeyEvents() { vsK6Event_clearKeyQueue(); }

extern "C" void Java_com_vostel_micro_event_ProcessEventHandler_canDispatch() { vsNativeMethod_setReturnInt(1); }
