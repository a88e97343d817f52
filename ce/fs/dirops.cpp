// Path operations (see dirops.h).
#include "ce/fs/dirops.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <string>

#include "ce/base/lasterror.h"
#include "ce/fs/file.h"
#include "ce/fs/fserror.h"
#include "ce/fs/pathmap.h"
#include "ce/fs/testhooks.h"

DWORD vsCeFs_attributes(unsigned mode) {
  if (S_ISDIR(mode))
    return FILE_ATTRIBUTE_DIRECTORY;
  return (mode & S_IWUSR) == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

DWORD GetFileAttributesW(const WCHAR* path) {
  std::string host;
  struct stat st;
  if (!vsCeFs_hostPath(path, &host))
    return INVALID_FILE_ATTRIBUTES;
  if (stat(host.c_str(), &st) != 0) {
    vsCeFs_fail(errno, host, ERROR_FILE_EXISTS);
    return INVALID_FILE_ATTRIBUTES;
  }
  return vsCeFs_attributes(st.st_mode);
}

BOOL GetFileAttributesExW(const WCHAR* path, GET_FILEEX_INFO_LEVELS level, void* data) {
  if (level != GetFileExInfoStandard || data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string host;
  struct stat st;
  if (!vsCeFs_hostPath(path, &host))
    return FALSE;
  if (stat(host.c_str(), &st) != 0)
    return vsCeFs_fail(errno, host, ERROR_FILE_EXISTS);
  auto* out = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(data);
  out->dwFileAttributes = vsCeFs_attributes(st.st_mode);
  out->ftCreationTime = vsCeFs_fileTime(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
  out->ftLastAccessTime = vsCeFs_fileTime(st.st_atim.tv_sec, st.st_atim.tv_nsec);
  out->ftLastWriteTime = vsCeFs_fileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  const uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  out->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  out->nFileSizeLow = static_cast<DWORD>(size);
  return TRUE;
}

BOOL DeleteFileW(const WCHAR* path) {
  if (vsCeFs_countMutation())
    vsCeFs_killNow();
  std::string host;
  if (!vsCeFs_hostPath(path, &host))
    return FALSE;
  struct stat st;
  if (lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    return vsCeFs_fail(EISDIR, host, ERROR_FILE_EXISTS);
  if (unlink(host.c_str()) != 0)
    return vsCeFs_fail(errno, host, ERROR_FILE_EXISTS);
  return TRUE;
}

BOOL MoveFileExW(const WCHAR* from, const WCHAR* to, DWORD flags) {
  if (vsCeFs_countMutation())
    vsCeFs_killNow();
  std::string source, target;
  if (!vsCeFs_hostPath(from, &source) || !vsCeFs_hostPath(to, &target))
    return FALSE;
  struct stat st;
  if (lstat(source.c_str(), &st) != 0)
    return vsCeFs_fail(errno, source, ERROR_ALREADY_EXISTS);
  const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
  const int result = replace ? rename(source.c_str(), target.c_str())
                             : renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
  if (result != 0)
    return vsCeFs_fail(errno, target, ERROR_ALREADY_EXISTS);
  return TRUE;
}

BOOL MoveFileW(const WCHAR* from, const WCHAR* to) { return MoveFileExW(from, to, 0); }

BOOL CreateDirectoryW(const WCHAR* path, SECURITY_ATTRIBUTES*) {
  if (vsCeFs_countMutation())
    vsCeFs_killNow();
  std::string host;
  if (!vsCeFs_hostPath(path, &host))
    return FALSE;
  if (mkdir(host.c_str(), 0777) != 0)
    return vsCeFs_fail(errno, host, ERROR_ALREADY_EXISTS);
  return TRUE;
}

BOOL RemoveDirectoryW(const WCHAR* path) {
  std::string host;
  if (!vsCeFs_hostPath(path, &host))
    return FALSE;
  if (rmdir(host.c_str()) != 0)
    return vsCeFs_fail(errno, host, ERROR_ALREADY_EXISTS);
  return TRUE;
}

BOOL GetDiskFreeSpaceExW(const WCHAR* path, ULARGE_INTEGER* available, ULARGE_INTEGER* total,
                         ULARGE_INTEGER* free) {
  std::string host;
  if (!vsCeFs_hostPath(path, &host))
    return FALSE;
  const int64_t fixed = vsCeFs_freeSpaceAnswer();
  if (fixed >= 0) {
    for (ULARGE_INTEGER* answer : {available, total, free})
      if (answer != nullptr)
        answer->QuadPart = static_cast<uint64_t>(fixed);
    return TRUE;
  }
  struct statvfs vfs;
  if (statvfs(host.c_str(), &vfs) != 0)
    return vsCeFs_fail(errno, host, ERROR_FILE_EXISTS);
  const uint64_t unit = vfs.f_frsize;
  if (available != nullptr)
    available->QuadPart = unit * vfs.f_bavail;
  if (total != nullptr)
    total->QuadPart = unit * vfs.f_blocks;
  if (free != nullptr)
    free->QuadPart = unit * vfs.f_bfree;
  return TRUE;
}
