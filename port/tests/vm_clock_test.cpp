#include "port/vm_clock.h"

#include <gtest/gtest.h>
#include <time.h>

namespace {

struct ClockCase {
  SYSTEMTIME time;
  int64_t millis;
};

SYSTEMTIME at(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms) {
  return {y, mo, 0, d, h, mi, s, ms};
}

TEST(VmClock, GregorianMilliseconds) {
  const ClockCase cases[] = {
      {at(1970, 1, 1, 0, 0, 0, 0), 0},
      {at(1972, 3, 1, 0, 0, 0, 0), 68256000000},
      {at(2000, 2, 29, 12, 30, 45, 678), 951827445678},
      {at(2000, 3, 1, 0, 0, 0, 0), 951868800000},
      {at(2024, 2, 29, 1, 2, 3, 4), 1709168523004},
      {at(2100, 2, 28, 23, 59, 59, 999), 4107542399999},
      {at(2100, 3, 1, 0, 0, 0, 0), 4107542400000},
      {at(2400, 12, 31, 23, 59, 59, 999), 13601087999999},
  };
  for (const ClockCase& c : cases)
    EXPECT_EQ(SystemTimeToMillis(c.time), c.millis) << c.time.wYear << "-" << c.time.wMonth;
}

TEST(VmClock, CurrentTimeIsTheSystemClock) {
  uint32_t high = 0, low = 0;
  JkGetCurrentTimeMillis(&high, &low);
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  const int64_t mine = static_cast<int64_t>((uint64_t{high} << 32) | low);
  const int64_t system = int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
  EXPECT_LE(mine > system ? mine - system : system - mine, 1000);
}

TEST(VmClock, NullOutWordsAreLeftAlone) {
  uint32_t word = 7;
  JkGetCurrentTimeMillis(nullptr, &word);
  JkGetCurrentTimeMillis(&word, nullptr);
  EXPECT_EQ(word, 7u);
}

}  // namespace
