// The lifecycle state words of one MIDP run.
//
// Every word is a VM variable, so each run starts with all of them 0:
//   started            1 from the start's check until the run has ended
//   suspended          1 from the SUSPENDED callbacks until a resume, stop
//                      or terminate clears it (written by the host thread,
//                      read by the VM thread: atomic)
//   appPaused          the application reported itself paused
//   stopRequested      a stop was asked for
//   terminateRequested a terminate was asked for; the run's result is -11
//   selectorUsed       the MIDlet selector's start native ran in this run
//   resumeEventOwed    a suspend came while the selector was in use
//   selectorActive     the selector shows its list
//   mask               bits 1, 2, 4, 8 the application state (MIDlet side),
//                      16 pause requested, 32 suspended, 64 stop
//                      requested (112: terminate)
//   trusted            the trusted word of the application record
//
// started and suspended are read and written across threads through
// atomic references; the others belong to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vm/core/natives/midlet_hooks.h"

enum : int32_t {
  kVsStateMaskPause = 16,
  kVsStateMaskSuspend = 32,
  kVsStateMaskStop = 64,
  kVsStateMaskTerminate = 112,
  kVsStateMaskStartClear = 127,
};

struct VsLifecycleState {
  int32_t started;
  int32_t suspended;
  int32_t appPaused;
  int32_t stopRequested;
  int32_t terminateRequested;
  int32_t selectorUsed;
  int32_t resumeEventOwed;
  int32_t selectorActive;
  int32_t mask;
  int32_t trusted;
};
static_assert(sizeof(VsLifecycleState) == 40 && offsetof(VsLifecycleState, mask) == 32);

int32_t vsVmState_getStarted();
void vsVmState_setStarted(int32_t value);
// Stores the value: the old one.
int32_t vsVmState_exchangeStarted(int32_t value);
int32_t vsVmState_getSuspended();
void vsVmState_setSuspended(int32_t value);
int32_t vsVmState_getAppPaused();
int32_t vsVmState_getStopRequested();
void vsVmState_setStopRequested(int32_t value);
int32_t vsVmState_getTerminateRequested();
void vsVmState_setTerminateRequested(int32_t value);
int32_t vsVmState_getSelectorUsed();
int32_t vsVmState_getResumeEventOwed();
int32_t vsVmState_getSelectorActive();
int32_t vsVm_getTrustedFlag();
void vsVm_setTrustedFlag(int32_t value);

int32_t vsVmState_getMask();
// vsVmState_updateMask and the setters the natives call: midlet_hooks.h.
