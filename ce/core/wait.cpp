// Waits (see wait.h): every object tested under the kernel lock, blocking on
// its one condition between the tests.
#include "ce/core/wait.h"

#include "ce/base/lasterror.h"
#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/core/mutex.h"
#include "ce/core/process_handle.h"
#include "ce/core/thread.h"

namespace {

KernelObject* waitableOf(HANDLE handle) {
  constexpr KernelObjectKind kWaitable[] = {KernelObjectKind::Event, KernelObjectKind::Mutex,
                                            KernelObjectKind::Thread, KernelObjectKind::Process};
  for (KernelObjectKind kind : kWaitable)
    if (KernelObject* object = vsCeObject_get(handle, kind))
      return object;
  return nullptr;
}

// Taken or Abandoned when the object satisfies the wait.
MutexTake takeLocked(KernelObject* object, DWORD self) {
  switch (object->kind) {
    case KernelObjectKind::Event:
      return vsCeEvent_takeLocked(object) ? MutexTake::Taken : MutexTake::Busy;
    case KernelObjectKind::Mutex:
      return vsCeMutex_takeLocked(object, self);
    case KernelObjectKind::Thread:
      return vsCeThread_endedLocked(object) ? MutexTake::Taken : MutexTake::Busy;
    case KernelObjectKind::Process:
      return vsCeProcess_endedLocked(object) ? MutexTake::Taken : MutexTake::Busy;
    default:
      return MutexTake::Busy;
  }
}

}  // namespace

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                             DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr || waitAll != FALSE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  KernelObject* objects[MAXIMUM_WAIT_OBJECTS];
  for (DWORD i = 0; i < count; ++i) {
    objects[i] = waitableOf(handles[i]);
    if (objects[i] == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
  }
  const DWORD self = GetCurrentThreadId();
  const timespec deadline = vsCeKernel_deadline(milliseconds == INFINITE ? 0 : milliseconds);
  vsCeKernel_lock();
  bool timedOut = false;
  for (;;) {
    vsCeThread_suspensionPointLocked();
    for (DWORD i = 0; i < count; ++i) {
      const MutexTake taken = takeLocked(objects[i], self);
      if (taken != MutexTake::Busy) {
        vsCeKernel_unlock();
        return (taken == MutexTake::Abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
      }
    }
    if (timedOut)
      break;
    timedOut = !vsCeKernel_block(milliseconds == INFINITE ? nullptr : &deadline);
  }
  vsCeKernel_unlock();
  return WAIT_TIMEOUT;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}
