// FILETIME conversions (see systime.h).
#include "ce/core/systime.h"

#include <time.h>

#include <cstdint>

namespace {

constexpr uint64_t kTicksPerMillisecond = 10000;
constexpr uint64_t kTicksPerDay = 86400ull * 1000 * kTicksPerMillisecond;
// Days from 0000-03-01 (the epoch of the civil-day arithmetic) to 1601-01-01.
constexpr int64_t kDaysTo1601 = 584694;
constexpr uint64_t kLimit = 0x8000000000000000ull;

// Days since 0000-03-01 of a proleptic Gregorian date.
int64_t lDaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = year / 400;
  const unsigned yoe = static_cast<unsigned>(year - era * 400);
  const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe);
}

void lCivilFromDays(int64_t days, int64_t* year, unsigned* month, unsigned* day) {
  const int64_t era = days / 146097;
  const unsigned doe = static_cast<unsigned>(days - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *day = doy - (153 * mp + 2) / 5 + 1;
  *month = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int64_t>(yoe) + era * 400 + (*month <= 2);
}

bool lLeap(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned lDaysInMonth(unsigned year, unsigned month) {
  static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && lLeap(year) ? 29 : kDays[month - 1];
}

uint64_t lValue(const FILETIME* t) { return (uint64_t{t->dwHighDateTime} << 32) | t->dwLowDateTime; }

void lStore(FILETIME* t, uint64_t v) {
  t->dwLowDateTime = static_cast<DWORD>(v);
  t->dwHighDateTime = static_cast<DWORD>(v >> 32);
}

}  // namespace

void GetSystemTimeAsFileTime(FILETIME* time) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  const uint64_t unixTicks = static_cast<uint64_t>(now.tv_sec) * 10000000ull + static_cast<uint64_t>(now.tv_nsec) / 100;
  lStore(time, unixTicks + 116444736000000000ull);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* ft) {
  if (st == nullptr || ft == nullptr || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 ||
      st->wMonth > 12 || st->wDay < 1 || st->wDay > lDaysInMonth(st->wYear, st->wMonth) ||
      st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59 || st->wMilliseconds > 999)
    return FALSE;
  const int64_t days = lDaysFromCivil(st->wYear, st->wMonth, st->wDay) - kDaysTo1601;
  const uint64_t ms = ((uint64_t{st->wHour} * 60 + st->wMinute) * 60 + st->wSecond) * 1000 + st->wMilliseconds;
  const uint64_t value = static_cast<uint64_t>(days) * kTicksPerDay + ms * kTicksPerMillisecond;
  if (value >= kLimit)
    return FALSE;
  lStore(ft, value);
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* ft, SYSTEMTIME* st) {
  if (ft == nullptr || st == nullptr)
    return FALSE;
  const uint64_t value = lValue(ft);
  if (value >= kLimit)
    return FALSE;
  const uint64_t days = value / kTicksPerDay;
  const uint64_t ms = value % kTicksPerDay / kTicksPerMillisecond;
  int64_t year;
  unsigned month, day;
  lCivilFromDays(static_cast<int64_t>(days) + kDaysTo1601, &year, &month, &day);
  st->wYear = static_cast<WORD>(year);
  st->wMonth = static_cast<WORD>(month);
  st->wDay = static_cast<WORD>(day);
  st->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  st->wHour = static_cast<WORD>(ms / 3600000);
  st->wMinute = static_cast<WORD>(ms / 60000 % 60);
  st->wSecond = static_cast<WORD>(ms / 1000 % 60);
  st->wMilliseconds = static_cast<WORD>(ms % 1000);
  return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  const uint64_t x = lValue(a), y = lValue(b);
  return x < y ? -1 : x > y ? 1 : 0;
}
