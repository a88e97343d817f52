// Control words of the VM and the operations on them.
//
// The words are VM variables, so every run starts from their defaults:
//   running        1 from the start of vsVm_run until its end
//   suspending     1 only while the SUSPENDED callbacks run
//   vmActive       1 while the application is started and not suspended
//   insideMain     1 while the VM main (kvm_main) runs
//   nativeMemoryRatio  "-native_memory", default 100 (per 1024 of the block)
//   switchDisable  thread-switch disable counter, never below 0
//   vmId, eventHandler  kept by vsVm_run
//   exiting, exitCode   set when the VM leaves
//   startupPhase   1 from the reset until the core start has loaded the
//                  image and started the main thread (the heap reads it)
//   buildingImage  1 only while the romizer builds the class image
//
// Leaving the VM: vsVm_exitAfterShutdown runs the shutdown and then the
// system exit, which jumps to the innermost exit point (exit_point.h).
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"

// The host's event handler: (vmId, event, param).
using VmEventHandler = void (*)(int32_t vmId, int32_t event, int32_t param);

struct VmStateWords {
  int32_t running;
  int32_t suspending;
  int32_t vmActive;
  int32_t insideMain;
  uint32_t nativeMemoryRatio;
  int32_t switchDisable;
  int32_t vmId;
  VmWord eventHandler;  // VmEventHandler as a word
  int32_t exiting;
  int32_t exitCode;
  int32_t startupPhase;
  int32_t buildingImage;
};

constexpr uint32_t kVsVm_defaultNativeMemoryRatio = 100;

VmStateWords& vsVmState();

void vsVm_setVmId(int32_t vmId);
int32_t vsVm_getVmId();
int32_t vsVm_currentVmId();
VmEventHandler vsVm_getEventHandler();
void vsVm_setEventHandler(VmEventHandler handler);

int32_t vsVm_isRunning();
int32_t vsVm_isSuspending();

// 0, or -1 when the VM does not run or is already in the requested state.
// Suspend clears the VM-active word and runs the SUSPENDED callbacks with
// the suspending word set; resume runs the RESUMED callbacks and sets the
// VM-active word.
int32_t vsVm_suspend(int32_t vmId);
int32_t vsVm_resume(int32_t vmId);
// -1 when the VM does not run; otherwise leaves with exit code 1: inside
// the VM main through vsVm_exit, else to the innermost exit point.
int32_t vsVm_terminate(int32_t vmId);

// Leaves the VM from a Java thread with the status: the exiting flag and
// the exit code set, only the current thread left in the scheduler, and
// the interpreter left through its exit to the runtime, which ends the
// scheduler loop of the VM main.
[[noreturn]] void vsVm_exit(int32_t status);

// Leaves with 0x80000001 + error for an error in 1..32767, else 0x80000001.
[[noreturn]] void vsVm_platformApiError(int32_t error);
// Prints "Fatal error: %s" with the code (at least three characters) on the
// log stream and leaves with -1 (-2 in verify-only mode).
[[noreturn]] void vsVm_fatalErrorCode(int32_t code);
// Shutdown, then the system exit with status (-2 in verify-only mode).
[[noreturn]] void vsVm_exitAfterShutdown(int32_t status);

// Releases what the run's modules hold; safe when they never started.
void vsVm_shutdown();

// Shutdown first, then the exit-code word.
int32_t vsVm_lastExitStatus();

void vsScheduler_disableSwitch();
void vsScheduler_enableSwitch();
int32_t vsScheduler_isSwitchDisabled();

// VM parameters by index: 2 HeapCapacity, 3 HeapMin, 4 SlaveMode,
// 7 CachedAsyncDataSize; 5 reads as 1. Other indexes read 0 and are not set.
int32_t vsVm_getParameter(int32_t index);
void vsVm_setParameter(int32_t index, int32_t value);
