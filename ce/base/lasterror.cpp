// The last-error word (see lasterror.h).
#include "ce/base/lasterror.h"

namespace {

thread_local DWORD tLastError = ERROR_SUCCESS;

}  // namespace

DWORD GetLastError() { return tLastError; }

void SetLastError(DWORD error) { tLastError = error; }
