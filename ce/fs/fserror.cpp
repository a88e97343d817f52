// errno -> CE error codes (see fserror.h).
#include "ce/fs/fserror.h"

#include <errno.h>
#include <sys/stat.h>

#include "ce/base/lasterror.h"

namespace {

struct ErrnoCode {
  int err;
  DWORD code;
};

// Every errno the file calls distinguish; the rest is ERROR_GEN_FAILURE.
constexpr ErrnoCode kCodes[] = {
    {EACCES, ERROR_ACCESS_DENIED},  {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},  {EROFS, ERROR_ACCESS_DENIED},
    {ENOTDIR, ERROR_PATH_NOT_FOUND}, {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EINVAL, ERROR_INVALID_PARAMETER}, {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},       {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES}, {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {EWOULDBLOCK, ERROR_SHARING_VIOLATION}, {EBADF, ERROR_INVALID_HANDLE},
    {ENAMETOOLONG, ERROR_INVALID_NAME},
};

bool lDirectoryOfExists(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos)
    return false;
  struct stat st;
  return stat(slash == 0 ? "/" : path.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

DWORD vsCeFs_errorFromErrno(int err, const std::string& hostPath, DWORD existsCode) {
  if (err == ENOENT)
    return lDirectoryOfExists(hostPath) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  if (err == EEXIST)
    return existsCode;
  for (const ErrnoCode& entry : kCodes)
    if (entry.err == err)
      return entry.code;
  return ERROR_GEN_FAILURE;
}

BOOL vsCeFs_fail(int err, const std::string& hostPath, DWORD existsCode) {
  SetLastError(vsCeFs_errorFromErrno(err, hostPath, existsCode));
  return FALSE;
}
