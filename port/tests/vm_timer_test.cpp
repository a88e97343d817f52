// The VM timer thread. It lives for the process, so one test drives it.
#include "port/vm_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "ce/core/clock.h"
#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "tools/testport/test_port.h"

namespace {

std::atomic<int> gFirstCalls{0};
std::atomic<int> gSecondCalls{0};
HANDLE gThirdCall = nullptr;

void first() { gFirstCalls.fetch_add(1); }

void second() {
  if (gSecondCalls.fetch_add(1) + 1 == 3)
    SetEvent(gThirdCall);
}

std::atomic<int> gTickReads{0};
HANDLE gPeriods = nullptr;

DWORD countPeriods() {
  if (gTickReads.fetch_add(1) + 1 == 3)
    SetEvent(gPeriods);
  return 0;
}

size_t occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

TEST(VmTimer, OneThreadCallsTheLatestHandler) {
  gThirdCall = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  vsTestPort_startCapture();
  EXPECT_EQ(JkSetVmTimerHandler(first, 10), 10u);
  EXPECT_EQ(JkSetVmTimerHandler(second, 1), 1u);
  const std::string trace = vsTestPort_stopCapture().trace;
  EXPECT_EQ(occurrences(trace, "JkSetVmTimerHandler\n"), 2u);
  EXPECT_EQ(occurrences(trace, "CreateThread(VmTimerThreadFunc), ThreadID=0x"), 1u);
  ASSERT_EQ(WaitForSingleObject(gThirdCall, 5000), WAIT_OBJECT_0);

  // A null handler pauses the calls. The thread reads the tick once per
  // period, so counting tick reads shows periods passing without a call.
  JkSetVmTimerHandler(nullptr, 1);
  const int settled = gSecondCalls.load();
  gPeriods = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  vsCeClock_setTickSource(countPeriods);
  ASSERT_EQ(WaitForSingleObject(gPeriods, 5000), WAIT_OBJECT_0);
  vsCeClock_setTickSource(nullptr);
  EXPECT_EQ(gSecondCalls.load(), settled);
  EXPECT_EQ(gFirstCalls.load(), 0);
}

}  // namespace
