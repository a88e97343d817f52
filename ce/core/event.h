// Events of the CE layer: CreateEventW, EventModify, SetEvent and ResetEvent
// (waits on them: ce/core/wait.h).
//
// An event is signalled or not. A manual-reset event stays signalled until
// it is reset, so every waiter passes; an auto-reset event lets one waiter
// pass and resets itself. Named events
// are not supported (CreateEventW with a name returns null).
#pragma once

#include "ce/core/kernel_object.h"
#include "ce/core/wait.h"
#include "ce/core/windows_types.h"

constexpr DWORD EVENT_RESET = 2;
constexpr DWORD EVENT_SET = 3;

// Security attributes are ignored as on CE.
HANDLE CreateEventW(LPVOID attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);

// EVENT_SET or EVENT_RESET; FALSE for another function or a bad handle.
BOOL EventModify(HANDLE event, DWORD function);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// With the kernel lock held: true when the event is signalled, which an
// auto-reset event then is no longer (the wait it satisfies consumes it).
bool vsCeEvent_takeLocked(KernelObject* event);

// CloseHandle of an event (kernel_object.cpp dispatches here).
BOOL vsCeEvent_close(HANDLE event);
