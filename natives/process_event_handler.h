// Natives of com.vostel.micro.event.ProcessEventHandler: the VM side of the
// internal events. Each acts on the current run's VM id.
#pragma once

// terminateVm()V: vsVm_terminate.
extern "C" void Java_com_vostel_micro_event_ProcessEventHandler_terminateVm();
// resumeVm()V: vsVm_resume (the RESUMED callbacks).
extern "C" void Java_com_vostel_micro_event_ProcessEventHandler_resumeVm();
// suspendVm()V: vsVm_suspend (the SUSPENDED callbacks; the VM thread
// stays in them until the host resumes).
extern "C" void Java_com_vostel_micro_event_ProcessEventHandler_suspendVm();
// clearKeyEvents()V: empties the key-event queue.
extern "C" void Java_com_vostel_micro_event_ProcessEventHandler_clearKeyEvents();
// canDispatch()Z: true.
extern "C" void Java_com_vostel_micro_event_ProcessEventHandler_canDispatch();
