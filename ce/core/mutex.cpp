// Mutexes (see mutex.h): owner and count under the kernel lock; named ones in
// a list of their names.
#include "ce/core/mutex.h"

#include <string>

#include "ce/base/lasterror.h"
#include "ce/core/thread.h"

namespace {

struct Mutex {
  KernelObject header;
  // Guarded by the kernel lock.
  DWORD owner;  // thread id, 0 when free
  DWORD count;
  DWORD handles;  // open handles of a named mutex
  std::u16string name;
  Mutex* nextNamed;
};

Mutex* gNamed = nullptr;  // guarded by the kernel lock

Mutex* mutexOf(HANDLE handle) {
  return reinterpret_cast<Mutex*>(vsCeObject_get(handle, KernelObjectKind::Mutex));
}

Mutex* findNamedLocked(const std::u16string& name) {
  for (Mutex* m = gNamed; m != nullptr; m = m->nextNamed)
    if (m->name == name)
      return m;
  return nullptr;
}

}  // namespace

HANDLE CreateMutexW(LPVOID, BOOL initialOwner, LPCWSTR name) {
  const DWORD self = GetCurrentThreadId();
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
    m->name = name;
    m->nextNamed = gNamed;
    gNamed = m;
  }
  vsCeKernel_unlock();
  SetLastError(ERROR_SUCCESS);
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

bool vsCeMutex_takeLocked(KernelObject* mutex, DWORD threadId) {
  auto* m = reinterpret_cast<Mutex*>(mutex);
  if (m->owner != 0 && m->owner != threadId)
    return false;
  m->owner = threadId;
  ++m->count;
  return true;
}

BOOL vsCeMutex_close(HANDLE mutex) {
  Mutex* m = mutexOf(mutex);
  if (m == nullptr)
    return FALSE;
  vsCeKernel_lock();
  if (--m->handles > 0) {
    vsCeKernel_unlock();
    return TRUE;
  }
  for (Mutex** link = &gNamed; *link != nullptr; link = &(*link)->nextNamed) {
    if (*link == m) {
      *link = m->nextNamed;
      break;
    }
  }
  m->header.magic = 0;
  vsCeKernel_unlock();
  delete m;
  return TRUE;
}
