// Events of the CE layer: CreateEventW, EventModify, SetEvent, ResetEvent and
// WaitForSingleObject.
//
// An event is signalled or not. A manual-reset event stays signalled until
// it is reset, so every waiter passes; an auto-reset event lets one waiter
// pass and resets itself. Waits are measured on the monotonic clock, so a
// change of the wall clock neither shortens nor stretches them. Named events
// are not supported (CreateEventW with a name returns null).
#pragma once

#include "ce/core/windows_types.h"

constexpr DWORD EVENT_RESET = 2;
constexpr DWORD EVENT_SET = 3;

// Security attributes are ignored as on CE.
HANDLE CreateEventW(LPVOID attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);

// EVENT_SET or EVENT_RESET; FALSE for another function or a bad handle.
BOOL EventModify(HANDLE event, DWORD function);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Waits for an event: WAIT_OBJECT_0 when it is signalled, WAIT_TIMEOUT after
// `milliseconds` (INFINITE waits without limit), WAIT_FAILED for a handle
// that is not an event.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// CloseHandle of an event (kernel_object.cpp dispatches here).
BOOL vsCeEvent_close(HANDLE event);
