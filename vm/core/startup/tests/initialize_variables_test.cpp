// vsVm_initializeVariables against the real snapshot of this program.
#include "vm/core/startup/vm_variables.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/substrate/vm_sections.h"
#include "port/host/section_snapshot.h"
#include "port/vm_timer.h"
#include "tools/testport/test_port.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/memory/trace_log.h"

namespace {

VS_VMDATA(int32_t) gData = 42;
VS_VMBSS(int32_t[4]) gBss;

// Read through a call the optimiser cannot see into, as the next run would.
__attribute__((noinline)) int32_t readData() { return gData; }

std::atomic<int> gTicks{0};
HANDLE gTicked = nullptr;

void onTick() {
  if (gTicks.fetch_add(1) + 1 >= 3)
    SetEvent(gTicked);
}

TEST(InitializeVariables, RestoresDataAndZeroesBss) {
  ASSERT_TRUE(SectionSnapshotCreate());
  gData = 7;
  gBss[3] = 9;
  vsVmState().running = 1;
  vsTraceLog_setLogLevel(kVsTraceLog_none);
  ASSERT_EQ(readData(), 7);

  vsTestPort_startCapture();
  EXPECT_EQ(vsVm_initializeVariables(), 0);
  const std::string trace = vsTestPort_stopCapture().trace;

  EXPECT_EQ(readData(), 42);
  EXPECT_EQ(gData, 42);
  EXPECT_EQ(gBss[3], 0);
  EXPECT_EQ(vsVm_isRunning(), 0);
  EXPECT_EQ(vsVmState().nativeMemoryRatio, kVsVm_defaultNativeMemoryRatio);
  // Nothing was traced at level 0, and the level is back at 3 now.
  EXPECT_EQ(trace, "");
  vsTestPort_startCapture();
  EXPECT_EQ(vsTraceLog_trace("%s", "back"), 4);
  EXPECT_EQ(vsTestPort_stopCapture().trace, "back");
  SectionSnapshotDelete();
}

TEST(InitializeVariables, WithoutSnapshotTheResetFails) {
  SectionSnapshotDelete();
  vsTestPort_startCapture();
  EXPECT_EQ(vsVm_initializeVariables(), -1);
  EXPECT_EQ(vsTestPort_stopCapture().trace,
            "VM variable initialization.\n"
            "ERROR: the return value of JkSectionGetInfoR2() is NULL.\n");
}

TEST(InitializeVariables, LeavesTheVmTimerRunning) {
  ASSERT_TRUE(SectionSnapshotCreate());
  gTicked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  JkSetVmTimerHandler(onTick, 1);
  ASSERT_EQ(WaitForSingleObject(gTicked, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(vsVm_initializeVariables(), 0);
  ResetEvent(gTicked);
  gTicks = 0;
  ASSERT_EQ(WaitForSingleObject(gTicked, 5000), WAIT_OBJECT_0);
  JkSetVmTimerHandler(nullptr, 10);
  SectionSnapshotDelete();
}

}  // namespace
