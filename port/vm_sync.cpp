// The VM lock and wake-up event (see vm_sync.h).
#include "port/vm_sync.h"

#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/substrate/fatal.h"

namespace {

VmSyncObject* gSync = nullptr;
VmEventWaitHook gWaitHook = nullptr;

VmSyncObject* sync(const char* caller) {
  if (gSync == nullptr) {
    vsFatal(VsCallSite::current(), "%s: no VM sync object", caller);
  }
  return gSync;
}

}  // namespace

bool VmSyncCreate() {
  VmSyncDelete();
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr)
    return false;
  auto* s = new VmSyncObject;
  InitializeCriticalSection(&s->lock);
  s->event = event;
  gSync = s;
  return true;
}

void VmSyncDelete() {
  if (gSync == nullptr)
    return;
  CloseHandle(gSync->event);
  DeleteCriticalSection(&gSync->lock);
  delete gSync;
  gSync = nullptr;
}

void JkVmEnterCriticalSection() { EnterCriticalSection(&sync(__func__)->lock); }

void JkVmLeaveCriticalSection() { LeaveCriticalSection(&sync(__func__)->lock); }

void JkVmEventSet() { EventModify(sync(__func__)->event, EVENT_SET); }

void JkVmEventReset() { EventModify(sync(__func__)->event, EVENT_RESET); }

void VmSyncSetWaitHook(VmEventWaitHook hook) { gWaitHook = hook; }

int32_t JkVmEventWait(int32_t milliseconds) {
  if (gWaitHook != nullptr) return gWaitHook(milliseconds);
  const DWORD timeout = milliseconds == -1 ? INFINITE : static_cast<DWORD>(milliseconds);
  return WaitForSingleObject(sync(__func__)->event, timeout) == WAIT_OBJECT_0 ? 0 : -1;
}
