// The one mapping of host errno values onto CE error codes for the file
// calls, and the last-error setter built on it.
#pragma once

#include <string>

#include "ce/core/windows_types.h"

// The CE code of errno err for an operation on hostPath: ENOENT is
// ERROR_FILE_NOT_FOUND when the path's directory exists, else
// ERROR_PATH_NOT_FOUND; EEXIST is existsCode (ERROR_FILE_EXISTS or
// ERROR_ALREADY_EXISTS, as the call documents).
DWORD vsCeFs_errorFromErrno(int err, const std::string& hostPath, DWORD existsCode);

// SetLastError of that code; returns FALSE for the callers' convenience.
BOOL vsCeFs_fail(int err, const std::string& hostPath, DWORD existsCode);
