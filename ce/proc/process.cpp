// CreateProcessW through the device server, the program's module name and
// process id (see process.h).
#include "ce/proc/process.h"

#include <errno.h>
#include <stdlib.h>
#include <unistd.h>

#include <map>
#include <string>

#include "ce/base/codepage.h"
#include "ce/core/kernel_object.h"
#include "ce/core/mutex.h"
#include "ce/ipc/connection.h"

namespace {

// Ends the server reported before the creator opened a handle; guarded by
// the kernel lock.
std::map<DWORD, DWORD>& earlyExits() {
  static auto* map = new std::map<DWORD, DWORD>;
  return *map;
}

// ProcessExited {pid, status} of a program this process started.
bool onProcessExited(Frame* frame) {
  earlyExits()[frame->u32At(0)] = frame->u32At(1);
  vsCeProcess_exitedLocked(frame->u32At(0), frame->u32At(1));
  return true;
}

DWORD createName(LPCWSTR name) {
  Frame request{FrameKind::CreateMutex, 0, {}};
  std::vector<Frame> frames;
  vsCeIpc_call(std::move(request.str(name)), &frames);
  return frames.back().u32At(0);
}

void closeName(LPCWSTR name) {
  Frame request{FrameKind::CloseMutex, 0, {}};
  const uint32_t id = vsCeIpc_request(std::move(request.str(name)));
  vsCeKernel_lock();
  vsCeIpc_forgetLocked(id);
  vsCeKernel_unlock();
}

const MutexNameHook kDeviceNames{createName, closeName};

}  // namespace

void vsCeProc_start() { vsCeMutex_setNameHook(&kDeviceNames); }

HINSTANCE const kProgramInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x00400000));

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPVOID, LPVOID, BOOL, DWORD, LPVOID, LPCWSTR,
                    STARTUPINFOW*, PROCESS_INFORMATION* processInformation) {
  static const bool kHandlerInstalled = (vsCeIpc_setHandler(FrameKind::ProcessExited, onProcessExited), true);
  (void)kHandlerInstalled;
  if (applicationName == nullptr || applicationName[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Frame request{FrameKind::CreateProcess, 0, {}};
  request.str(applicationName).str(commandLine != nullptr ? commandLine : u"");
  std::vector<Frame> frames;
  vsCeIpc_call(std::move(request), &frames);
  if (const uint32_t status = frames.back().u32At(0); status != 0) {
    SetLastError(status);
    return FALSE;
  }
  const auto pid = static_cast<DWORD>(frames.back().i64At(1));
  vsCeKernel_lock();
  HANDLE process = nullptr;
  if (processInformation != nullptr) {
    process = vsCeProcess_openLocked(pid);
    *processInformation = PROCESS_INFORMATION{process, nullptr, pid, 0};
  }
  auto early = earlyExits().find(pid);
  if (early != earlyExits().end()) {
    vsCeProcess_exitedLocked(pid, early->second);
    earlyExits().erase(early);
  }
  vsCeKernel_unlock();
  return TRUE;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  if (module != nullptr && module != kProgramInstance) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const char* ceModule = getenv("CE_MODULE");
  const std::u16string name = vsCeCodepage_utf16(
      ceModule != nullptr ? std::string(ceModule) : "\\Windows\\" + std::string(program_invocation_short_name) + ".exe");
  if (fileName == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const size_t n = name.size() < size - 1 ? name.size() : size - 1;
  name.copy(fileName, n);
  fileName[n] = 0;
  if (n < name.size())
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return static_cast<DWORD>(n);
}
