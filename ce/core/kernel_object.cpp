// Kernel-object handles (see kernel_object.h).
#include "ce/core/kernel_object.h"

#include "ce/core/event.h"
#include "ce/core/thread.h"

KernelObject* vsCeObject_get(HANDLE handle, KernelObjectKind kind) {
  auto* object = static_cast<KernelObject*>(handle);
  if (object == nullptr || object->magic != kKernelObjectMagic || object->kind != kind)
    return nullptr;
  return object;
}

BOOL CloseHandle(HANDLE handle) {
  if (vsCeObject_get(handle, KernelObjectKind::Event) != nullptr)
    return vsCeEvent_close(handle);
  if (vsCeObject_get(handle, KernelObjectKind::Thread) != nullptr)
    return vsCeThread_close(handle);
  return FALSE;
}
