// Path operations of the CE file system: attributes, delete, move,
// directories and free space.
//
// MoveFileW fails with ERROR_ALREADY_EXISTS when the target exists;
// MoveFileExW with MOVEFILE_REPLACE_EXISTING replaces it in one atomic
// rename, so a reader sees either file whole. CreateDirectoryW of an
// existing name: ERROR_ALREADY_EXISTS.
#pragma once

#include "ce/core/systime.h"
#include "ce/core/windows_types.h"

struct SECURITY_ATTRIBUTES;

enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard = 0 };

struct WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
};

union ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  };
  uint64_t QuadPart;
};

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;

DWORD GetFileAttributesW(const WCHAR* path);
BOOL GetFileAttributesExW(const WCHAR* path, GET_FILEEX_INFO_LEVELS level, void* data);
BOOL DeleteFileW(const WCHAR* path);
BOOL MoveFileW(const WCHAR* from, const WCHAR* to);
BOOL MoveFileExW(const WCHAR* from, const WCHAR* to, DWORD flags);
BOOL CreateDirectoryW(const WCHAR* path, SECURITY_ATTRIBUTES* security);
BOOL RemoveDirectoryW(const WCHAR* path);
BOOL GetDiskFreeSpaceExW(const WCHAR* path, ULARGE_INTEGER* available, ULARGE_INTEGER* total,
                         ULARGE_INTEGER* free);

// The attribute word of a host stat result.
DWORD vsCeFs_attributes(unsigned mode);
