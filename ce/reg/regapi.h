// The CE registry calls over the registry database (ce/reg/regdb.h).
//
// Keys and value names compare without regard to ASCII case; a sub-key
// path is split at "\". The four root keys are HKEY_LOCAL_MACHINE,
// HKEY_CURRENT_USER, HKEY_CLASSES_ROOT and HKEY_USERS; an opened key is a
// small host object holding its key id (RegCloseKey frees it). Results are
// the CE codes: ERROR_FILE_NOT_FOUND for a missing key or value,
// ERROR_MORE_DATA when a buffer is too small (the size needed is stored),
// ERROR_NO_MORE_ITEMS at the end of an enumeration, ERROR_KEY_DELETED on a
// handle whose key has been deleted, ERROR_BADDB when the database cannot
// be read. Access masks are accepted, not enforced. REG_SZ data is stored
// as given (its terminator included when the caller counted it).
#pragma once

#include <cstdint>

#include "ce/base/lasterror.h"
#include "ce/core/systime.h"
#include "ce/core/windows_types.h"
#include "ce/reg/regroots.h"

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;
struct SECURITY_ATTRIBUTES;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t{kRegRoots[0].handle});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t{kRegRoots[1].handle});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t{kRegRoots[2].handle});
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(uintptr_t{kRegRoots[3].handle});

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr REGSAM KEY_READ = 0x20019;

LONG RegOpenKeyExW(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegCreateKeyExW(HKEY key, const WCHAR* subKey, DWORD reserved, WCHAR* keyClass, DWORD options,
                     REGSAM access, SECURITY_ATTRIBUTES* security, HKEY* result, DWORD* disposition);
LONG RegQueryValueExW(HKEY key, const WCHAR* name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LONG RegSetValueExW(HKEY key, const WCHAR* name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValueW(HKEY key, const WCHAR* name);
// Deletes the sub-key with all its sub-keys and values.
LONG RegDeleteKeyW(HKEY key, const WCHAR* subKey);
LONG RegEnumKeyExW(HKEY key, DWORD index, WCHAR* name, DWORD* nameUnits, DWORD* reserved, WCHAR* keyClass,
                   DWORD* classUnits, FILETIME* lastWrite);
LONG RegEnumValueW(HKEY key, DWORD index, WCHAR* name, DWORD* nameUnits, DWORD* reserved, DWORD* type,
                   BYTE* data, DWORD* size);
LONG RegCloseKey(HKEY key);
LONG RegFlushKey(HKEY key);
