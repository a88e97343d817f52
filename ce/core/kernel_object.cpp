// Kernel-object handles (see kernel_object.h).
#include "ce/core/kernel_object.h"

#include "ce/core/event.h"
#include "ce/core/thread.h"

#include <atomic>

namespace {

std::atomic<BOOL (*)(HANDLE)> gClosers[kKernelObjectKinds];

}  // namespace

KernelObject* vsCeObject_get(HANDLE handle, KernelObjectKind kind) {
  auto* object = static_cast<KernelObject*>(handle);
  if (object == nullptr || handle == INVALID_HANDLE_VALUE || object->magic != kKernelObjectMagic ||
      object->kind != kind)
    return nullptr;
  return object;
}

void vsCeObject_setCloser(KernelObjectKind kind, BOOL (*close)(HANDLE handle)) {
  gClosers[static_cast<uint32_t>(kind)].store(close);
}

BOOL CloseHandle(HANDLE handle) {
  if (vsCeObject_get(handle, KernelObjectKind::Event) != nullptr)
    return vsCeEvent_close(handle);
  if (vsCeObject_get(handle, KernelObjectKind::Thread) != nullptr)
    return vsCeThread_close(handle);
  for (uint32_t kind = 0; kind < kKernelObjectKinds; ++kind) {
    BOOL (*close)(HANDLE) = gClosers[kind].load();
    if (close != nullptr && vsCeObject_get(handle, static_cast<KernelObjectKind>(kind)) != nullptr)
      return close(handle);
  }
  return FALSE;
}
