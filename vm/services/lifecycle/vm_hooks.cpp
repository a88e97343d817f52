// The lifecycle hook registry (see vm_hooks.h).
#include "vm/services/lifecycle/vm_hooks.h"

#include "ce/substrate/vm_sections.h"

namespace {

struct HookRegistry {
  VmPtr<VsVmHookTable> slots[kVsVmHookSlots];
  int32_t count;
};

VS_VMBSS(HookRegistry) gHooks = {};

VmWord wordOf(VsVmHook hook) { return hook == nullptr ? 0 : vsWord_fromPointer(reinterpret_cast<const void*>(hook)); }

VmWord hookOf(const VsVmHookTable& table, VsVmHookKind kind) {
  switch (kind) {
    case VsVmHookKind::Started:
      return table.onStarted;
    case VsVmHookKind::Suspended:
      return table.onSuspended;
    case VsVmHookKind::Resumed:
      return table.onResumed;
    case VsVmHookKind::Stopped:
      return table.onStopped;
  }
  return 0;
}

}  // namespace

VsVmHookTable vsVmHooks_make(VsVmHook onStarted, VsVmHook onSuspended, VsVmHook onResumed, VsVmHook onStopped) {
  return {wordOf(onStarted), wordOf(onSuspended), wordOf(onResumed), wordOf(onStopped)};
}

void vsVmHooks_reset() { gHooks = {}; }

int32_t vsVmHooks_register(VsVmHookTable* table) {
  if (table == nullptr || gHooks.count >= kVsVmHookSlots) return 0;
  gHooks.slots[gHooks.count++] = table;
  return 1;
}

void vsVmHooks_call(VsVmHookKind kind) {
  for (int32_t i = 0; i < gHooks.count; ++i) {
    const VmWord hook = hookOf(*gHooks.slots[i].get(), kind);
    if (hook != 0) reinterpret_cast<VsVmHook>(static_cast<uintptr_t>(hook))(&gHooks.slots[i]);
  }
}
