// File handles (see file.h).
#include "ce/fs/file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "ce/base/lasterror.h"
#include "ce/fs/fserror.h"
#include "ce/fs/pathmap.h"
#include "ce/fs/testhooks.h"

namespace {

struct FileObject {
  KernelObject header;
  int fd;
  bool canRead;
  bool canWrite;
};

BOOL lClose(HANDLE handle) {
  auto* file = reinterpret_cast<FileObject*>(vsCeObject_get(handle, KernelObjectKind::File));
  if (file == nullptr)
    return FALSE;
  file->header.magic = 0;
  close(file->fd);
  delete file;
  return TRUE;
}

// Registers the close function with the first file opened.
const bool gCloserSet = (vsCeObject_setCloser(KernelObjectKind::File, lClose), true);

FileObject* lFile(HANDLE handle) {
  auto* file = reinterpret_cast<FileObject*>(vsCeObject_get(handle, KernelObjectKind::File));
  if (file == nullptr)
    SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

HANDLE lFail(int fd, int err, const std::string& path, DWORD existsCode) {
  if (fd >= 0)
    close(fd);
  vsCeFs_fail(err, path, existsCode);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

FILETIME vsCeFs_fileTime(int64_t seconds, int64_t nanoseconds) {
  const int64_t ticks = seconds * 10000000 + nanoseconds / 100 + 116444736000000000LL;
  const uint64_t value = ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
  return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

HANDLE CreateFileW(const WCHAR* path, DWORD access, DWORD shareMode, SECURITY_ATTRIBUTES*, DWORD disposition,
                   DWORD, HANDLE) {
  (void)gCloserSet;
  std::string host;
  if (!vsCeFs_hostPath(path, &host))
    return INVALID_HANDLE_VALUE;
  const bool canRead = (access & GENERIC_READ) != 0;
  const bool canWrite = (access & GENERIC_WRITE) != 0;
  int flags = O_CLOEXEC | (canWrite ? (canRead ? O_RDWR : O_WRONLY) : O_RDONLY);
  bool existed = false;
  int fd = -1;
  switch (disposition) {
    case CREATE_NEW:
      fd = open(host.c_str(), flags | O_CREAT | O_EXCL, 0666);
      break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
      fd = open(host.c_str(), flags | O_CREAT | O_EXCL, 0666);
      if (fd < 0 && errno == EEXIST) {
        existed = true;
        fd = open(host.c_str(), flags);
      }
      break;
    case OPEN_EXISTING:
      fd = open(host.c_str(), flags);
      break;
    case TRUNCATE_EXISTING:
      if (!canWrite) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      fd = open(host.c_str(), flags);
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  if (fd < 0)
    return lFail(-1, errno, host, ERROR_FILE_EXISTS);
  struct stat st;
  if (fstat(fd, &st) != 0)
    return lFail(fd, errno, host, ERROR_FILE_EXISTS);
  if (S_ISDIR(st.st_mode))
    return lFail(fd, EISDIR, host, ERROR_FILE_EXISTS);
  if (flock(fd, (shareMode == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0)
    return lFail(fd, errno == EWOULDBLOCK ? EWOULDBLOCK : errno, host, ERROR_FILE_EXISTS);
  if ((disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) && ftruncate(fd, 0) != 0)
    return lFail(fd, errno, host, ERROR_FILE_EXISTS);
  auto* file = new FileObject{{kKernelObjectMagic, KernelObjectKind::File}, fd, canRead, canWrite};
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return file;
}

BOOL ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* read, OVERLAPPED*) {
  FileObject* file = lFile(handle);
  if (file == nullptr)
    return FALSE;
  if (read != nullptr)
    *read = 0;
  if (!file->canRead) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  DWORD done = 0;
  while (done < count) {
    const ssize_t n = ::read(file->fd, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return vsCeFs_fail(errno, "", ERROR_FILE_EXISTS);
    if (n == 0)
      break;
    done += static_cast<DWORD>(n);
  }
  if (read != nullptr)
    *read = done;
  return TRUE;
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* written, OVERLAPPED*) {
  FileObject* file = lFile(handle);
  if (file == nullptr)
    return FALSE;
  if (written != nullptr)
    *written = 0;
  if (!file->canWrite) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // The fatal call of the kill hook writes half its bytes, then dies.
  const bool fatal = vsCeFs_countMutation();
  const DWORD goal = fatal ? count / 2 : count;
  DWORD done = 0;
  while (done < goal) {
    const ssize_t n = ::write(file->fd, static_cast<const char*>(buffer) + done, goal - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      if (written != nullptr)
        *written = done;
      return vsCeFs_fail(n < 0 ? errno : ENOSPC, "", ERROR_FILE_EXISTS);
    }
    done += static_cast<DWORD>(n);
  }
  if (fatal)
    vsCeFs_killNow();
  if (written != nullptr)
    *written = done;
  return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distanceHigh, DWORD method) {
  FileObject* file = lFile(handle);
  if (file == nullptr)
    return INVALID_SET_FILE_POINTER;
  const int64_t offset = distanceHigh != nullptr
                             ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                                    static_cast<uint32_t>(distance))
                             : distance;
  int whence;
  switch (method) {
    case FILE_BEGIN: whence = SEEK_SET; break;
    case FILE_CURRENT: whence = SEEK_CUR; break;
    case FILE_END: whence = SEEK_END; break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_SET_FILE_POINTER;
  }
  const off_t at = lseek(file->fd, static_cast<off_t>(offset), whence);
  if (at < 0) {
    vsCeFs_fail(errno, "", ERROR_FILE_EXISTS);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh != nullptr)
    *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(at) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(at);
}

BOOL SetEndOfFile(HANDLE handle) {
  FileObject* file = lFile(handle);
  if (file == nullptr)
    return FALSE;
  if (vsCeFs_countMutation())
    vsCeFs_killNow();
  if (!file->canWrite) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const off_t at = lseek(file->fd, 0, SEEK_CUR);
  if (at < 0 || ftruncate(file->fd, at) != 0)
    return vsCeFs_fail(errno, "", ERROR_FILE_EXISTS);
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle) {
  FileObject* file = lFile(handle);
  if (file == nullptr)
    return FALSE;
  if (vsCeFs_countMutation())
    vsCeFs_killNow();
  if (!vsCeFs_flushSkipped() && fsync(file->fd) != 0)
    return vsCeFs_fail(errno, "", ERROR_FILE_EXISTS);
  return TRUE;
}

DWORD GetFileSize(HANDLE handle, DWORD* sizeHigh) {
  FileObject* file = lFile(handle);
  struct stat st;
  if (file == nullptr || fstat(file->fd, &st) != 0) {
    if (file != nullptr)
      vsCeFs_fail(errno, "", ERROR_FILE_EXISTS);
    return INVALID_FILE_SIZE;
  }
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (sizeHigh != nullptr)
    *sizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

FILE* _wfopen(const WCHAR* path, const WCHAR* mode) {
  std::string host;
  if (mode == nullptr || !vsCeFs_hostPath(path, &host))
    return nullptr;
  std::string narrow;
  for (const WCHAR* m = mode; *m != 0; ++m) {
    if (*m != u'r' && *m != u'w' && *m != u'a' && *m != u'b' && *m != u'+') {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    narrow.push_back(static_cast<char>(*m));
  }
  if (narrow.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  FILE* stream = std::fopen(host.c_str(), (narrow + "e").c_str());
  if (stream == nullptr)
    vsCeFs_fail(errno, host, ERROR_FILE_EXISTS);
  return stream;
}
