#include "ce/core/clock.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

DWORD fixedTick() { return 0xFFFFFFF0u; }

TEST(CeClock, TickSourceHookReplacesAndRestoresTheClock) {
  vsCeClock_setTickSource(fixedTick);
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
  EXPECT_EQ(timeGetTime(), 0xFFFFFFF0u);
  vsCeClock_setTickSource(nullptr);
  const DWORD a = GetTickCount();
  const DWORD b = GetTickCount();
  EXPECT_LT(static_cast<DWORD>(b - a), 1000u);  // monotonic, modulo the wrap
}

// time() may read a coarser clock than the one GetSystemTime reads, and so
// lag it by a tick at a second's turn; compare with the same clock.
time_t realtimeSeconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec;
}

TEST(CeClock, SystemTimeIsUtcNow) {
  const time_t before = realtimeSeconds();
  SYSTEMTIME st;
  GetSystemTime(&st);
  const time_t after = realtimeSeconds();
  tm parts{};
  parts.tm_year = st.wYear - 1900;
  parts.tm_mon = st.wMonth - 1;
  parts.tm_mday = st.wDay;
  parts.tm_hour = st.wHour;
  parts.tm_min = st.wMinute;
  parts.tm_sec = st.wSecond;
  const time_t seen = timegm(&parts);
  EXPECT_GE(seen, before);
  EXPECT_LE(seen, after);
  EXPECT_EQ(st.wDayOfWeek, parts.tm_wday);
  EXPECT_LT(st.wMilliseconds, 1000);
}

}  // namespace
