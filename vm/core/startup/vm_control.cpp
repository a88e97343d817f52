// Control words of the VM (see vm_control.h).
#include "vm/core/startup/vm_control.h"

#include "ce/substrate/vm_sections.h"
#include "vm/core/image/image_loader.h"
#include "vm/core/interp/interpreter.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/finalization.h"
#include "vm/core/memory/global_refs.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/roots.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/service_hooks.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/service_calls.h"
#include "vm/services/lifecycle/system_glue.h"
#include "vm/services/memory/trace_log.h"

namespace {

VS_VMDATA(VmStateWords) gState = {
    .running = 0,
    .suspending = 0,
    .vmActive = 0,
    .insideMain = 0,
    .nativeMemoryRatio = kVsVm_defaultNativeMemoryRatio,
    .switchDisable = 0,
    .vmId = 0,
    .eventHandler = 0,
    .exiting = 0,
    .exitCode = 0,
    .startupPhase = 1,
    .buildingImage = 0,
};

constexpr int32_t kMaxPlatformError = 32767;
constexpr uint32_t kPlatformErrorBase = 0x80000001u;

void checkVmId(int32_t vmId) {
  if (vmId != gState.vmId)
    vsTraceLog_trace("Warning: Illegal vmId.\n");
}

int32_t verifyOnlyOr(int32_t status) { return vsVmFlags().VerifyOnly != 0 ? -2 : status; }

}  // namespace

VmStateWords& vsVmState() { return gState; }

void vsVm_setVmId(int32_t vmId) { gState.vmId = vmId; }
int32_t vsVm_getVmId() { return gState.vmId; }
int32_t vsVm_currentVmId() { return gState.vmId; }

VmEventHandler vsVm_getEventHandler() {
  return reinterpret_cast<VmEventHandler>(static_cast<uintptr_t>(gState.eventHandler));
}

void vsVm_setEventHandler(VmEventHandler handler) {
  gState.eventHandler = vsWord_fromPointer(reinterpret_cast<const void*>(handler));
}

int32_t vsVm_isRunning() { return gState.running; }
int32_t vsVm_isSuspending() { return gState.suspending; }

int32_t vsVm_suspend(int32_t vmId) {
  checkVmId(vmId);
  if (gState.vmActive == 0 || gState.running == 0)
    return -1;
  gState.vmActive = 0;
  // The event system refuses suspend requests while this word is set.
  gState.suspending = 1;
  vsVmCallback_vmSuspended();
  gState.suspending = 0;
  return 0;
}

int32_t vsVm_resume(int32_t vmId) {
  checkVmId(vmId);
  if (gState.vmActive != 0 || gState.running == 0)
    return -1;
  vsVmCallback_vmResumed();
  gState.vmActive = 1;
  return 0;
}

int32_t vsVm_terminate(int32_t vmId) {
  checkVmId(vmId);
  if (gState.running == 0)
    return -1;
  if (gState.insideMain != 0)
    vsVm_exit(1);
  vsSys_exit(1);
}

void vsVm_exit(int32_t status) {
  gState.exiting = 1;
  gState.exitCode = status;
  vsScheduler_exitReset();
  vsInterpreter_exitToRuntime();
}

void vsVm_platformApiError(int32_t error) {
  const bool known = error >= 1 && error <= kMaxPlatformError;
  vsTraceLog_trace("ALERT: Platform API error: %d\n", known ? error : 0);
  gState.exitCode = static_cast<int32_t>(kPlatformErrorBase + (known ? static_cast<uint32_t>(error) : 0u));
  vsExitPoint_jump();
}

void vsVm_fatalErrorCode(int32_t code) {
  char digits[16];
  vsPrintf_snprintf(digits, sizeof digits, "%3d", code);
  vsOutputStream_printLine(vsOutputStream_log(), "Fatal error: %s", digits);
  vsVm_exitAfterShutdown(-1);
}

void vsVm_exitAfterShutdown(int32_t status) {
  vsVm_shutdown();
  vsSys_exit(verifyOnlyOr(status));
}

// The modules of the run add their steps here as they come: the
// before-shutdown hook, finalizers, the time slice, the persistent roots, the
// heap, instruction-cache support and the class system. Each step is safe
// when its module never started in the run.
void vsVm_shutdown() {
  vsSys_beforeShutdown();
  vsTimeSlice_stop();
  vsFinalizer_runAtExit();
  vsGlobalRef_table = 0;
  vsRoots_clear();
  vsVmGlobals_clearReferences();
  vsJavaHeap_reset();
  vsOs_finalizeICache();
  // The class system: tables, class ids, the image's words and counts.
  vsClassTables = {};
  vsClassTable_setCount(0);
  vsImage_unload();
}

int32_t vsVm_lastExitStatus() {
  vsVm_shutdown();
  return gState.exitCode;
}

void vsScheduler_disableSwitch() { ++gState.switchDisable; }

void vsScheduler_enableSwitch() {
  if (gState.switchDisable > 0)
    --gState.switchDisable;
}

int32_t vsScheduler_isSwitchDisabled() { return gState.switchDisable > 0 ? 1 : 0; }

int32_t vsVm_getParameter(int32_t index) {
  VmFlagValues& flags = vsVmFlags();
  switch (index) {
    case 2:
      return flags.HeapCapacity;
    case 3:
      return flags.HeapMin;
    case 4:
      return flags.SlaveMode;
    case 5:
      return 1;
    case 7:
      return flags.CachedAsyncDataSize;
    default:
      return 0;
  }
}

void vsVm_setParameter(int32_t index, int32_t value) {
  VmFlagValues& flags = vsVmFlags();
  switch (index) {
    case 2:
      flags.HeapCapacity = value;
      break;
    case 3:
      flags.HeapMin = value;
      break;
    case 4:
      flags.SlaveMode = value;
      break;
    case 7:
      flags.CachedAsyncDataSize = value;
      break;
    default:
      break;
  }
}
