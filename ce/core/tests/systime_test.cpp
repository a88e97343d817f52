#include "ce/core/systime.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

uint64_t value(const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

TEST(CeSystime, KnownDatesBothWays) {
  struct Case {
    WORD year, month, day, hour, minute, second, ms, weekday;
    uint64_t ticks;
  };
  const Case cases[] = {
      {1601, 1, 1, 0, 0, 0, 0, 1, 0},
      {1970, 1, 1, 0, 0, 0, 0, 4, 116444736000000000ull},
      {2000, 2, 29, 12, 30, 15, 250, 2, 125963010152500000ull},
      {2049, 12, 31, 23, 59, 59, 999, 5, 141690815999990000ull},
      {2050, 1, 1, 0, 0, 0, 0, 6, 141690816000000000ull},
  };
  for (const Case& c : cases) {
    SYSTEMTIME st{c.year, c.month, 3, c.day, c.hour, c.minute, c.second, c.ms};
    FILETIME ft{};
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft)) << c.year;
    EXPECT_EQ(value(ft), c.ticks) << c.year;
    SYSTEMTIME back{};
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back)) << c.year;
    EXPECT_EQ(back.wYear, c.year);
    EXPECT_EQ(back.wMonth, c.month) << c.year;
    EXPECT_EQ(back.wDay, c.day) << c.year;
    EXPECT_EQ(back.wHour, c.hour) << c.year;
    EXPECT_EQ(back.wMinute, c.minute) << c.year;
    EXPECT_EQ(back.wSecond, c.second) << c.year;
    EXPECT_EQ(back.wMilliseconds, c.ms) << c.year;
    EXPECT_EQ(back.wDayOfWeek, c.weekday) << c.year;
  }
}

TEST(CeSystime, InvalidFieldsAndValuesAreRefused) {
  const SYSTEMTIME bad[] = {
      {2001, 2, 0, 29, 0, 0, 0, 0},  {1900, 2, 0, 29, 0, 0, 0, 0},  {2000, 13, 0, 1, 0, 0, 0, 0},
      {2000, 0, 0, 1, 0, 0, 0, 0},   {2000, 4, 0, 31, 0, 0, 0, 0},  {2000, 1, 0, 0, 0, 0, 0, 0},
      {2000, 1, 0, 1, 24, 0, 0, 0},  {2000, 1, 0, 1, 0, 60, 0, 0},  {2000, 1, 0, 1, 0, 0, 60, 0},
      {2000, 1, 0, 1, 0, 0, 0, 1000}, {1600, 12, 0, 31, 0, 0, 0, 0}, {30828, 1, 0, 1, 0, 0, 0, 0},
  };
  for (const SYSTEMTIME& st : bad) {
    FILETIME ft{};
    EXPECT_FALSE(SystemTimeToFileTime(&st, &ft))
        << st.wYear << "-" << st.wMonth << "-" << st.wDay << " " << st.wHour << ":" << st.wMinute;
  }
  const FILETIME tooLate{0, 0x80000000u};
  SYSTEMTIME st{};
  EXPECT_FALSE(FileTimeToSystemTime(&tooLate, &st));
  const FILETIME last{0xFFFFFFFFu, 0x7FFFFFFFu};
  EXPECT_TRUE(FileTimeToSystemTime(&last, &st));
  EXPECT_EQ(st.wYear, 30828);
}

TEST(CeSystime, CompareAndNow) {
  const FILETIME a{5, 1}, b{4, 2};
  EXPECT_EQ(CompareFileTime(&a, &b), -1);
  EXPECT_EQ(CompareFileTime(&b, &a), 1);
  EXPECT_EQ(CompareFileTime(&a, &a), 0);
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  SYSTEMTIME st{};
  ASSERT_TRUE(FileTimeToSystemTime(&now, &st));
  EXPECT_GE(st.wYear, 2024);
}

}  // namespace
