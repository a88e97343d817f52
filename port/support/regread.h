// Registry readers of the key HKEY_CURRENT_USER "Software\Vostel".
//
// RegReadString reads into a zeroed buffer two bytes longer than the value,
// so a value without terminator, or of odd size, ends safely; a value that
// changes size between the size query and the read reads as missing.
#pragma once

#include <string>

#include "ce/core/windows_types.h"
#include "ce/reg/regapi.h"

// The DWORD value under HKCU "Software\Vostel"; 0 when the key or value is
// missing or the value is longer than 4 bytes.
DWORD RegGetVostelDword(const WCHAR* name);

// The REG_SZ value up to its terminator; empty when the key or value is
// missing or not REG_SZ.
std::u16string RegReadString(HKEY root, const WCHAR* subKey, const WCHAR* name);
