// FILETIME and the conversions between it and SYSTEMTIME.
//
// A FILETIME counts 100-ns intervals since 1601-01-01 00:00 UTC in two
// 32-bit halves. Dates are proleptic Gregorian, computed here (no host time
// functions), so every year 1601..30827 converts the same on both targets.
// FILETIMEs of 0x8000000000000000 or more and SYSTEMTIMEs with a field out
// of range (month, day of that month, hour, minute, second, millisecond, a
// year outside 1601..30827) are refused with FALSE.
#pragma once

#include "ce/core/clock.h"
#include "ce/core/windows_types.h"

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

void GetSystemTimeAsFileTime(FILETIME* time);
// The day of the week of the input is ignored; the output's is computed.
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);
// -1, 0 or 1 as a is earlier than, equal to or later than b.
LONG CompareFileTime(const FILETIME* a, const FILETIME* b);
