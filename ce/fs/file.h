// File handles of the CE layer: CreateFileW, ReadFile, WriteFile,
// SetFilePointer, SetEndOfFile, FlushFileBuffers, GetFileSize and _wfopen,
// over host files of the device root (ce/fs/pathmap.h).
//
// A file handle is a kernel object of kind File (CloseHandle closes it)
// holding the host descriptor and the access it was opened with. Share
// mode 0 takes a whole-file exclusive lock on the open file description,
// any sharing a shared one, both without waiting: a conflict with another
// open, also of another process, fails with ERROR_SHARING_VIOLATION. The
// lock lives as long as the handle. A directory cannot be opened as a file
// (ERROR_ACCESS_DENIED).
#pragma once

#include <cstdio>

#include "ce/core/kernel_object.h"
#include "ce/core/systime.h"
#include "ce/core/windows_types.h"

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;

struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;

HANDLE CreateFileW(const WCHAR* path, DWORD access, DWORD shareMode, SECURITY_ATTRIBUTES* security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
DWORD GetFileSize(HANDLE file, DWORD* sizeHigh);

// Binary modes "rb", "wb", "ab" (and their "+" forms) of the C runtime.
FILE* _wfopen(const WCHAR* path, const WCHAR* mode);

// The FILETIME of host seconds and nanoseconds since 1970.
FILETIME vsCeFs_fileTime(int64_t seconds, int64_t nanoseconds);
