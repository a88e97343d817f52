// The install lock (see installlock.h).
#include "storage/installlock.h"

#include <cstdint>
#include <string>

#include "ce/base/lasterror.h"
#include "ce/core/clock.h"
#include "ce/core/thread.h"
#include "ce/fs/file.h"
#include "port/support/strconv.h"
#include "storage/roots.h"

namespace {

constexpr char kLockUri[] = "gfs://java/install.lck";
constexpr DWORD kWaitMs = 2000;
constexpr DWORD kRetryStepMs = 10;

struct InstallLock {
  HANDLE file;
  int32_t takes;
};
InstallLock gLock = {INVALID_HANDLE_VALUE, 0};

HANDLE openLock() {
  char physical[kOjfsPathBytes];
  if (ojfs_uriToPhysical(kLockUri, physical) != 0) return INVALID_HANDLE_VALUE;
  const std::u16string wide = Utf8ToWString(physical);
  return CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

bool ojms_lockInstall(bool wait) {
  if (gLock.takes > 0) {
    ++gLock.takes;
    return true;
  }
  const DWORD start = GetTickCount();
  HANDLE file = openLock();
  while (file == INVALID_HANDLE_VALUE && wait && GetLastError() == ERROR_SHARING_VIOLATION &&
         GetTickCount() - start < kWaitMs) {
    Sleep(kRetryStepMs);
    file = openLock();
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  gLock = {file, 1};
  return true;
}

void ojms_unlockInstall() {
  if (gLock.takes == 0 || --gLock.takes > 0) return;
  CloseHandle(gLock.file);
  gLock.file = INVALID_HANDLE_VALUE;
}
