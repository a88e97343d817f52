// Clocks (see clock.h).
#include "ce/core/clock.h"

#include <time.h>

#include <atomic>

namespace {

std::atomic<DWORD (*)()> gTickSource{nullptr};

}  // namespace

DWORD GetTickCount() {
  if (DWORD (*source)() = gTickSource.load())
    return source();
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  const uint64_t ms = static_cast<uint64_t>(t.tv_sec) * 1000u + static_cast<uint64_t>(t.tv_nsec) / 1000000u;
  return static_cast<DWORD>(ms);
}

DWORD timeGetTime() { return GetTickCount(); }

void GetSystemTime(SYSTEMTIME* time) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  tm utc;
  gmtime_r(&now.tv_sec, &utc);
  time->wYear = static_cast<WORD>(utc.tm_year + 1900);
  time->wMonth = static_cast<WORD>(utc.tm_mon + 1);
  time->wDayOfWeek = static_cast<WORD>(utc.tm_wday);
  time->wDay = static_cast<WORD>(utc.tm_mday);
  time->wHour = static_cast<WORD>(utc.tm_hour);
  time->wMinute = static_cast<WORD>(utc.tm_min);
  time->wSecond = static_cast<WORD>(utc.tm_sec);
  time->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

void vsCeClock_setTickSource(DWORD (*source)()) { gTickSource.store(source); }
