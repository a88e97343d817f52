// Waits on kernel objects: WaitForSingleObject and WaitForMultipleObjects.
//
// A wait passes on the first object that is signalled: an event that is set
// (an auto-reset one is consumed, and only by the wait it satisfies), a
// mutex that is free or already owned by the caller (which then owns it once
// more; WAIT_ABANDONED_0 + index when its last owner ended holding it), a
// thread or process that has ended. Of several signalled objects the lowest
// index wins. Time-outs run on the monotonic clock.
//
// Every wait is a suspension point of the calling thread (ce/core/thread.h):
// a suspended thread does not return from it, even when an object is
// signalled, until it is resumed, and a terminated one ends there.
#pragma once

#include "ce/core/windows_types.h"

constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

// WAIT_OBJECT_0 when the object is signalled, WAIT_TIMEOUT after
// `milliseconds` (INFINITE: no limit), WAIT_FAILED with ERROR_INVALID_HANDLE
// for a handle that is no waitable object.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// WAIT_OBJECT_0 + the lowest index of a signalled object, WAIT_TIMEOUT, or
// WAIT_FAILED: ERROR_INVALID_PARAMETER for no handles, more than
// MAXIMUM_WAIT_OBJECTS or waitAll (only waits for any one are supported),
// ERROR_INVALID_HANDLE when one handle is no waitable object.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                             DWORD milliseconds);
