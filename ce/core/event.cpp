// Events (see event.h): a flag under the kernel lock.
#include "ce/core/event.h"

#include "ce/core/kernel_object.h"

namespace {

struct Event {
  KernelObject header;
  // Guarded by the kernel lock.
  bool manualReset;
  bool signalled;
};

Event* eventOf(HANDLE handle) {
  return reinterpret_cast<Event*>(vsCeObject_get(handle, KernelObjectKind::Event));
}

}  // namespace

HANDLE CreateEventW(LPVOID, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  if (name != nullptr)
    return nullptr;
  auto* e = new Event;
  e->header = {kKernelObjectMagic, KernelObjectKind::Event};
  e->manualReset = manualReset != FALSE;
  e->signalled = initialState != FALSE;
  return e;
}

BOOL EventModify(HANDLE event, DWORD function) {
  Event* e = eventOf(event);
  if (e == nullptr || (function != EVENT_SET && function != EVENT_RESET))
    return FALSE;
  vsCeKernel_lock();
  e->signalled = function == EVENT_SET;
  if (e->signalled)
    vsCeKernel_broadcast();
  vsCeKernel_unlock();
  return TRUE;
}

BOOL SetEvent(HANDLE event) { return EventModify(event, EVENT_SET); }

BOOL ResetEvent(HANDLE event) { return EventModify(event, EVENT_RESET); }

bool vsCeEvent_takeLocked(KernelObject* event) {
  auto* e = reinterpret_cast<Event*>(event);
  const bool passed = e->signalled;
  if (passed && !e->manualReset)
    e->signalled = false;
  return passed;
}

BOOL vsCeEvent_close(HANDLE event) {
  Event* e = eventOf(event);
  if (e == nullptr)
    return FALSE;
  e->header.magic = 0;
  delete e;
  return TRUE;
}
