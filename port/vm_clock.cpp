// The wall clock (see vm_clock.h).
#include "port/vm_clock.h"

namespace {

constexpr uint16_t kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

bool isLeap(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Leap years in [1, year).
int64_t leapYearsBefore(int64_t year) {
  const int64_t y = year - 1;
  return y / 4 - y / 100 + y / 400;
}

}  // namespace

int64_t SystemTimeToMillis(const SYSTEMTIME& time) {
  const int64_t year = time.wYear;
  const int month = time.wMonth >= 1 && time.wMonth <= 12 ? time.wMonth : 1;
  int64_t days = (year - 1970) * 365 + leapYearsBefore(year) - leapYearsBefore(1970);
  days += kDaysBeforeMonth[month - 1];
  if (isLeap(year) && month > 2)
    days += 1;
  days += int64_t{time.wDay} - 1;
  return (((days * 24 + time.wHour) * 60 + time.wMinute) * 60 + time.wSecond) * 1000 +
         time.wMilliseconds;
}

void JkGetCurrentTimeMillis(uint32_t* high, uint32_t* low) {
  if (high == nullptr || low == nullptr)
    return;
  SYSTEMTIME now;
  GetSystemTime(&now);
  const auto ms = static_cast<uint64_t>(SystemTimeToMillis(now));
  *high = static_cast<uint32_t>(ms >> 32);
  *low = static_cast<uint32_t>(ms);
}
