// Directory enumeration (see find.h).
#include "ce/fs/find.h"

#include <dirent.h>
#include <errno.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ce/base/codepage.h"
#include "ce/base/lasterror.h"
#include "ce/fs/dirops.h"
#include "ce/fs/file.h"
#include "ce/fs/fserror.h"
#include "ce/fs/pathmap.h"

namespace {

struct FindObject {
  KernelObject header;
  std::string directory;  // host path
  std::vector<std::string> names;
  size_t next;
};

BOOL lClose(HANDLE handle) {
  auto* find = reinterpret_cast<FindObject*>(vsCeObject_get(handle, KernelObjectKind::Find));
  if (find == nullptr)
    return FALSE;
  find->header.magic = 0;
  delete find;
  return TRUE;
}

const bool gCloserSet = (vsCeObject_setCloser(KernelObjectKind::Find, lClose), true);

std::string lUtf8(const std::u16string& text) {
  std::string out(text.size() * 3, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                    static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

// Fills data with the name and its host attributes; false when the name
// does not fit cFileName.
bool lFill(const FindObject& find, const std::string& name, WIN32_FIND_DATAW* data) {
  WCHAR wide[MAX_PATH];
  const int n = MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), wide, MAX_PATH - 1);
  if (n <= 0)
    return false;
  *data = WIN32_FIND_DATAW{};
  for (int i = 0; i < n; ++i)
    data->cFileName[i] = wide[i];
  data->cFileName[n] = 0;
  struct stat st;
  if (stat((find.directory + "/" + name).c_str(), &st) == 0) {
    data->dwFileAttributes = vsCeFs_attributes(st.st_mode);
    data->ftCreationTime = vsCeFs_fileTime(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
    data->ftLastAccessTime = vsCeFs_fileTime(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    data->ftLastWriteTime = vsCeFs_fileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    const uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size);
  } else {
    data->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
  }
  return true;
}

// Steps to the next name that fits; false at the end.
bool lNext(FindObject* find, WIN32_FIND_DATAW* data) {
  while (find->next < find->names.size())
    if (lFill(*find, find->names[find->next++], data))
      return true;
  return false;
}

}  // namespace

HANDLE FindFirstFileW(const WCHAR* pattern, WIN32_FIND_DATAW* data) {
  (void)gCloserSet;
  std::u16string directory, last;
  if (data == nullptr || !vsCeFs_splitLast(pattern, &directory, &last)) {
    SetLastError(pattern == nullptr || data == nullptr ? ERROR_INVALID_PARAMETER : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string host;
  if (!vsCeFs_hostPath(directory.c_str(), &host))
    return INVALID_HANDLE_VALUE;
  DIR* dir = opendir(host.c_str());
  if (dir == nullptr) {
    SetLastError(errno == ENOTDIR || errno == ENOENT ? ERROR_PATH_NOT_FOUND
                                                     : vsCeFs_errorFromErrno(errno, host, ERROR_FILE_EXISTS));
    return INVALID_HANDLE_VALUE;
  }
  auto* find = new FindObject{{kKernelObjectMagic, KernelObjectKind::Find}, host, {}, 0};
  const std::string match = lUtf8(last);
  while (dirent* e = readdir(dir))
    if (vsCeFs_matchPattern(match, e->d_name))
      find->names.emplace_back(e->d_name);
  closedir(dir);
  std::sort(find->names.begin(), find->names.end());
  if (!lNext(find, data)) {
    delete find;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return find;
}

BOOL FindNextFileW(HANDLE handle, WIN32_FIND_DATAW* data) {
  auto* find = reinterpret_cast<FindObject*>(vsCeObject_get(handle, KernelObjectKind::Find));
  if (find == nullptr || data == nullptr) {
    SetLastError(find == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!lNext(find, data)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

BOOL FindClose(HANDLE handle) {
  if (!lClose(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
