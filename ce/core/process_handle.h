// Process handles: the waitable handle CreateProcessW gives for a process
// the device started, and GetExitCodeProcess.
//
// A process handle is signalled once the process has ended; its exit code is
// then the process's status (STILL_ACTIVE before). Whoever learns of the end
// (the device server's notice, ce/proc) reports it by process id, which
// signals every open handle of that process. Handles of one process are
// independent objects, each closed by CloseHandle.
#pragma once

#include "ce/core/kernel_object.h"
#include "ce/core/windows_types.h"

// With the kernel lock held: a new handle of a running process.
HANDLE vsCeProcess_openLocked(DWORD processId);

// With the kernel lock held: the process has ended with exitCode.
void vsCeProcess_exitedLocked(DWORD processId, DWORD exitCode);

// STILL_ACTIVE while the process runs, then its exit code; FALSE with
// ERROR_INVALID_HANDLE for a handle that is no process.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

// With the kernel lock held: true when the process has ended.
bool vsCeProcess_endedLocked(KernelObject* process);

// CloseHandle of a process (kernel_object.cpp dispatches here).
BOOL vsCeProcess_close(HANDLE process);
