// Processes of a device: CreateProcessW, GetModuleFileNameW and
// OutputDebugStringW.
//
// CreateProcessW maps the module through the CE path mapping and the module
// search (a relative or bare name is looked for in "\Windows\"), and the
// device server starts it (posix_spawn) with CE_ROOT, CE_MODULE (the CE path)
// and the command line as its one argument, so the child sees exactly the
// caller's text; its standard output and error go to the device's debug.log.
// The process handle is waitable and signalled when the process has ended.
#pragma once

#include "ce/base/lasterror.h"
#include "ce/core/process_handle.h"
#include "ce/core/windows_types.h"

struct STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;  // always null here
  DWORD dwProcessId;
  DWORD dwThreadId;
};

constexpr DWORD CREATE_NEW_CONSOLE = 0x00000010;

// The program's instance handle, which WinMain gets.
extern HINSTANCE const kProgramInstance;

// Start-up and process information may be null; the creation flags are
// accepted and ignored. FALSE with ERROR_FILE_NOT_FOUND,
// ERROR_PATH_NOT_FOUND, ERROR_BAD_EXE_FORMAT or ERROR_ACCESS_DENIED.
BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPVOID processAttributes,
                    LPVOID threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCWSTR currentDirectory, STARTUPINFOW* startupInfo,
                    PROCESS_INFORMATION* processInformation);

DWORD GetCurrentProcessId();

// The CE path of this program (module null or kProgramInstance): CE_MODULE
// when the device started it, else "\Windows\<name>.exe". The count of
// units copied; a cut name also sets ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);

// One UTF-8 line "<program>[<pid>]: text" on standard error, in one write.
void OutputDebugStringW(LPCWSTR text);

// The layer's start-up in a program: mutex names become device-wide (the
// entry calls it; tests that act as programs call it themselves).
void vsCeProc_start();

// The program's entry, which it defines; the layer's main (library
// ce_proc_entry) calls it.
int WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);
