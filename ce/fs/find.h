// Directory enumeration: FindFirstFileW, FindNextFileW and FindClose.
//
// The pattern is a CE path whose last component may hold "*" and "?"
// ("*.*" matches every name). The first call takes a snapshot of the
// matching names, "." and ".." included, in byte order; the find handle (a
// kernel object of kind Find) steps through it. No match: ERROR_FILE_NOT_FOUND
// (ERROR_PATH_NOT_FOUND when the directory is missing); the end:
// ERROR_NO_MORE_FILES. A name longer than the 259 units of cFileName is
// left out.
#pragma once

#include "ce/core/kernel_object.h"
#include "ce/core/systime.h"
#include "ce/core/windows_types.h"

constexpr int MAX_PATH = 260;

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH];
};

HANDLE FindFirstFileW(const WCHAR* pattern, WIN32_FIND_DATAW* data);
BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data);
BOOL FindClose(HANDLE find);
