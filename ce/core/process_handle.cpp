// Process handles (see process_handle.h): open handles in a list under the
// kernel lock.
#include "ce/core/process_handle.h"

#include "ce/base/lasterror.h"
#include "ce/core/thread.h"

namespace {

struct ProcessHandle {
  KernelObject header;
  // Guarded by the kernel lock.
  DWORD processId;
  bool ended;
  DWORD exitCode;
  ProcessHandle* next;
};

ProcessHandle* gOpen = nullptr;  // guarded by the kernel lock

ProcessHandle* processOf(HANDLE handle) {
  return reinterpret_cast<ProcessHandle*>(vsCeObject_get(handle, KernelObjectKind::Process));
}

}  // namespace

HANDLE vsCeProcess_openLocked(DWORD processId) {
  auto* p = new ProcessHandle{{kKernelObjectMagic, KernelObjectKind::Process}, processId, false, STILL_ACTIVE,
                              gOpen};
  gOpen = p;
  return p;
}

void vsCeProcess_exitedLocked(DWORD processId, DWORD exitCode) {
  for (ProcessHandle* p = gOpen; p != nullptr; p = p->next) {
    if (p->processId == processId && !p->ended) {
      p->ended = true;
      p->exitCode = exitCode;
    }
  }
  vsCeKernel_broadcast();
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  ProcessHandle* p = processOf(process);
  if (p == nullptr || exitCode == nullptr) {
    SetLastError(p == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  vsCeKernel_lock();
  *exitCode = p->exitCode;
  vsCeKernel_unlock();
  return TRUE;
}

bool vsCeProcess_endedLocked(KernelObject* process) { return reinterpret_cast<ProcessHandle*>(process)->ended; }

BOOL vsCeProcess_close(HANDLE process) {
  ProcessHandle* p = processOf(process);
  if (p == nullptr)
    return FALSE;
  vsCeKernel_lock();
  for (ProcessHandle** link = &gOpen; *link != nullptr; link = &(*link)->next) {
    if (*link == p) {
      *link = p->next;
      break;
    }
  }
  p->header.magic = 0;
  vsCeKernel_unlock();
  delete p;
  return TRUE;
}
