// Lifecycle reports (see vm_callback.h).
#include "vm/services/lifecycle/vm_callback.h"

#include "ce/substrate/vm_sections.h"
#include "port/device.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/lifecycle/lifecycle_state.h"
#include "vm/services/lifecycle/native_file.h"
#include "vm/services/lifecycle/platform_resource.h"
#include "vm/services/lifecycle/vm_clock.h"
#include "vm/services/lifecycle/vm_hooks.h"
#include "vm/services/memory/trace_log.h"

namespace {

VS_VMBSS(VsVmHookTable) gCallbackSet = {};

void onSuspended(VmPtr<VsVmHookTable>*) {
  vsVmState_setSuspended(1);
  vsPlatformResourceSuspend();
}

void onResumed(VmPtr<VsVmHookTable>*) {
  vsVmState_setSuspended(0);
  vsPlatformResourceResume();
}

void onStopped(VmPtr<VsVmHookTable>*) {
  JkSoftkeyResetLabels();
  if (vsVm_isRunning() != 0) {
    vsNativeFile_closeAll();
    vsPlatformResource_stopAll();
  }
}

// The host handler's call between its two log lines ("----- <name>
// callback begin." and "end.").
void report(const char* name, int32_t event, int32_t param) {
  vsTraceLog_trace("----- %s callback begin.\n", name);
  vsVmCallback_dispatch(vsVm_getVmId(), event, param);
  vsTraceLog_trace("----- %s callback end.\n", name);
}

}  // namespace

void vsVmCallback_registerFunction() {
  gCallbackSet = vsVmHooks_make(nullptr, onSuspended, onResumed, onStopped);
  if (vsVmHooks_register(&gCallbackSet) == 0) vsTraceLog_trace("ERROR: vsVmCallback_registerFunction.\n");
}

void vsVmCallback_dispatch(int32_t vmId, int32_t event, int32_t param) {
  const VmEventHandler handler = vsVm_getEventHandler();
  if (event > 0 && handler != nullptr) handler(vmId, event, param);
}

int32_t vsVmCallback_convertEvents(int32_t code) {
  if (code >= 1 && code <= 4) return code;
  if (code >= 11 && code <= 14) return code + 9;
  vsTraceLog_trace("vsVmCallback_convertEvents : Illegal parameter.\n");
  return 0;
}

void vsVmCallback_vmStarted() {
  report("VS_VMEVENT_VM_STARTED", kVsVmEventStarted, 0);
  vsVmHooks_call(VsVmHookKind::Started);
}

void vsVmCallback_vmSuspended() {
  vsVmHooks_call(VsVmHookKind::Suspended);
  report("VS_VMEVENT_VM_SUSPENDED", kVsVmEventSuspended, 0);
}

void vsVmCallback_vmResumed() {
  vsClock_rebase();
  vsVmHooks_call(VsVmHookKind::Resumed);
  report("VS_VMEVENT_VM_RESUMED", kVsVmEventResumed, 0);
}

void vsVmCallback_vmStopped(int32_t exitCode) {
  vsVmHooks_call(VsVmHookKind::Stopped);
  report("VS_VMEVENT_VM_STOPPED", kVsVmEventStopped, exitCode);
}

void vsVmCallback_vmPaintReady() { report("VM JK_VMEVENT_VMPAINTREADY", kVsVmEventPaintReady, 0); }

void vsVmCallback_appStarted() { report("APP JK_VMEVENT_APPSTARTED", kVsAppEventStarted, 0); }

void vsVmCallback_appDestroyed() { report("APP JK_VMEVENT_APPDESTROYED", kVsAppEventDestroyed, 0); }

void vsVmCallback_appPaused() {
  if (vsVmState_getStarted() != 1) return;
  vsVmState_setAppPaused(1);
  if (vsVm_isRunning() != 0) report("APP JK_VMEVENT_APPPAUSED", kVsAppEventPaused, 0);
}

void vsVmCallback_appResumed() {
  vsVmState_setAppPaused(0);
  if (vsVm_isRunning() != 0) report("APP JK_VMEVENT_APPRESUMED", kVsAppEventResumed, 0);
}
