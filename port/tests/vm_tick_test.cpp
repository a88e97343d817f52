#include "port/vm_tick.h"

#include <gtest/gtest.h>

#include <vector>

#include "ce/core/clock.h"

namespace {

std::vector<DWORD> gScript;
size_t gNext = 0;

DWORD scripted() { return gScript.at(gNext++); }

struct Reading {
  DWORD now;
  uint32_t high;
  uint32_t low;
};

struct TickCase {
  DWORD base;
  std::vector<Reading> readings;
};

TEST(VmTick, CountsAcrossTheWrap) {
  const TickCase cases[] = {
      {0xFFFFFFF0u, {{0xFFFFFFFAu, 0, 10}, {0x00000005u, 0, 21}}},
      {0x10u, {{0xFFFFFFFFu, 0, 0xFFFFFFEFu}, {0x20u, 1, 0x10u}}},
      {100, {{110, 0, 10}, {110, 0, 10}, {5, 0, 0xFFFFFFA1u}, {200, 1, 100}, {50, 1, 0xFFFFFFCEu}}},
  };
  for (const TickCase& c : cases) {
    gScript = {c.base};
    for (const Reading& r : c.readings)
      gScript.push_back(r.now);
    gNext = 0;
    vsCeClock_setTickSource(scripted);
    VmTickBaseInit();
    for (const Reading& r : c.readings) {
      uint32_t high = 0xDEAD, low = 0xBEEF;
      JkGetTickCount64(&high, &low);
      EXPECT_EQ(high, r.high) << c.base << " " << r.now;
      EXPECT_EQ(low, r.low) << c.base << " " << r.now;
    }
    vsCeClock_setTickSource(nullptr);
  }
}

TEST(VmTick, NullOutWordsReadNothing) {
  gScript = {1000, 2000};
  gNext = 0;
  vsCeClock_setTickSource(scripted);
  VmTickBaseInit();
  uint32_t word = 7;
  JkGetTickCount64(nullptr, &word);
  JkGetTickCount64(&word, nullptr);
  EXPECT_EQ(word, 7u);
  EXPECT_EQ(gNext, 1u);
  vsCeClock_setTickSource(nullptr);
}

}  // namespace
