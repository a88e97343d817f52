// Kernel-object handles (see kernel_object.h).
#include "ce/core/kernel_object.h"

#include <pthread.h>
#include <time.h>

#include <atomic>

#include "ce/core/event.h"
#include "ce/core/mutex.h"
#include "ce/core/process_handle.h"
#include "ce/core/thread.h"

namespace {

std::atomic<BOOL (*)(HANDLE)> gClosers[kKernelObjectKinds];

pthread_mutex_t gKernelLock = PTHREAD_MUTEX_INITIALIZER;
pthread_once_t gKernelChangedOnce = PTHREAD_ONCE_INIT;
pthread_cond_t gKernelChanged;

void initKernelChanged() {
  pthread_condattr_t attr;
  pthread_condattr_init(&attr);
  pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
  pthread_cond_init(&gKernelChanged, &attr);
  pthread_condattr_destroy(&attr);
}

}  // namespace

void vsCeKernel_lock() {
  pthread_once(&gKernelChangedOnce, initKernelChanged);
  pthread_mutex_lock(&gKernelLock);
}

void vsCeKernel_unlock() { pthread_mutex_unlock(&gKernelLock); }

void vsCeKernel_broadcast() { pthread_cond_broadcast(&gKernelChanged); }

bool vsCeKernel_block(const timespec* deadline) {
  if (deadline == nullptr) {
    pthread_cond_wait(&gKernelChanged, &gKernelLock);
    return true;
  }
  pthread_cond_timedwait(&gKernelChanged, &gKernelLock, deadline);
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec < deadline->tv_sec ||
         (now.tv_sec == deadline->tv_sec && now.tv_nsec < deadline->tv_nsec);
}

timespec vsCeKernel_deadline(DWORD milliseconds) {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  t.tv_sec += static_cast<time_t>(milliseconds / 1000);
  t.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (t.tv_nsec >= 1000000000L) {
    t.tv_sec += 1;
    t.tv_nsec -= 1000000000L;
  }
  return t;
}

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
  if (vsCeObject_get(handle, KernelObjectKind::Mutex) != nullptr)
    return vsCeMutex_close(handle);
  if (vsCeObject_get(handle, KernelObjectKind::Process) != nullptr)
    return vsCeProcess_close(handle);
  for (uint32_t kind = 0; kind < kKernelObjectKinds; ++kind) {
    BOOL (*close)(HANDLE) = gClosers[kind].load();
    if (close != nullptr && vsCeObject_get(handle, static_cast<KernelObjectKind>(kind)) != nullptr)
      return close(handle);
  }
  return FALSE;
}
