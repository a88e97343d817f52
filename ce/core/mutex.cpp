// Mutexes (see mutex.h): owner and count under the kernel lock; every mutex
// in one list (abandonment scans it), named ones found there by name.
#include "ce/core/mutex.h"

#include <atomic>
#include <string>

#include "ce/base/lasterror.h"
#include "ce/core/thread.h"

namespace {

struct Mutex {
  KernelObject header;
  // Guarded by the kernel lock.
  DWORD owner;  // thread id, 0 when free
  DWORD count;
  bool abandoned;
  DWORD handles;  // open handles
  bool named;
  std::u16string name;
  Mutex* next;
};

Mutex* gAll = nullptr;  // guarded by the kernel lock
std::atomic<const MutexNameHook*> gNameHook{nullptr};

Mutex* mutexOf(HANDLE handle) {
  return reinterpret_cast<Mutex*>(vsCeObject_get(handle, KernelObjectKind::Mutex));
}

Mutex* findNamedLocked(const std::u16string& name) {
  for (Mutex* m = gAll; m != nullptr; m = m->next)
    if (m->named && m->name == name)
      return m;
  return nullptr;
}

}  // namespace

void vsCeMutex_setNameHook(const MutexNameHook* hook) { gNameHook.store(hook); }

HANDLE CreateMutexW(LPVOID, BOOL initialOwner, LPCWSTR name) {
  const DWORD self = GetCurrentThreadId();
  DWORD device = ERROR_SUCCESS;  // the device's answer for the name
  const MutexNameHook* hook = name != nullptr ? gNameHook.load() : nullptr;
  if (hook != nullptr) {
    device = hook->create(name);
    if (device != ERROR_SUCCESS && device != ERROR_ALREADY_EXISTS) {
      SetLastError(device);
      return nullptr;
    }
  }
  vsCeKernel_lock();
  if (name != nullptr) {
    if (Mutex* existing = findNamedLocked(name)) {
      ++existing->handles;
      vsCeKernel_unlock();
      SetLastError(ERROR_ALREADY_EXISTS);
      return existing;
    }
  }
  auto* m = new Mutex{};
  m->header = {kKernelObjectMagic, KernelObjectKind::Mutex};
  m->handles = 1;
  if (initialOwner != FALSE) {
    m->owner = self;
    m->count = 1;
  }
  if (name != nullptr) {
    m->named = true;
    m->name = name;
  }
  m->next = gAll;
  gAll = m;
  vsCeKernel_unlock();
  SetLastError(device);
  return m;
}

BOOL ReleaseMutex(HANDLE mutex) {
  Mutex* m = mutexOf(mutex);
  if (m == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const DWORD self = GetCurrentThreadId();
  vsCeKernel_lock();
  const bool owned = m->owner == self && m->count > 0;
  if (owned && --m->count == 0) {
    m->owner = 0;
    vsCeKernel_broadcast();
  }
  vsCeKernel_unlock();
  if (!owned) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  return TRUE;
}

MutexTake vsCeMutex_takeLocked(KernelObject* mutex, DWORD threadId) {
  auto* m = reinterpret_cast<Mutex*>(mutex);
  if (m->owner != 0 && m->owner != threadId)
    return MutexTake::Busy;
  m->owner = threadId;
  ++m->count;
  const bool abandoned = m->abandoned;
  m->abandoned = false;
  return abandoned ? MutexTake::Abandoned : MutexTake::Taken;
}

void vsCeMutex_abandonLocked(DWORD threadId) {
  bool any = false;
  for (Mutex* m = gAll; m != nullptr; m = m->next) {
    if (m->owner == threadId && m->count > 0) {
      m->owner = 0;
      m->count = 0;
      m->abandoned = true;
      any = true;
    }
  }
  if (any)
    vsCeKernel_broadcast();
}

BOOL vsCeMutex_close(HANDLE mutex) {
  Mutex* m = mutexOf(mutex);
  if (m == nullptr)
    return FALSE;
  const MutexNameHook* hook = gNameHook.load();
  vsCeKernel_lock();
  const std::u16string name = m->named ? m->name : std::u16string();
  const bool named = m->named;
  if (--m->handles > 0) {
    vsCeKernel_unlock();
  } else {
    for (Mutex** link = &gAll; *link != nullptr; link = &(*link)->next) {
      if (*link == m) {
        *link = m->next;
        break;
      }
    }
    m->header.magic = 0;
    vsCeKernel_unlock();
    delete m;
  }
  if (named && hook != nullptr)
    hook->close(name.c_str());
  return TRUE;
}
