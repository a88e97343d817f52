// Clocks of the CE layer: GetTickCount, timeGetTime and GetSystemTime.
//
// GetTickCount is the 32-bit millisecond count of the monotonic clock; it
// wraps every 2^32 ms (49.7 days) like CE's. Tests replace its source with
// vsCeClock_setTickSource to drive readings across the wrap.
#pragma once

#include "ce/core/windows_types.h"

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;      // 1..12
  WORD wDayOfWeek;  // 0 = Sunday
  WORD wDay;        // 1..31
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

DWORD GetTickCount();

// The multimedia clock: GetTickCount's, source included.
DWORD timeGetTime();

// The current time in UTC.
void GetSystemTime(SYSTEMTIME* time);

// Makes GetTickCount return source() from now on; null restores the
// monotonic clock.
void vsCeClock_setTickSource(DWORD (*source)());
