// The system glue of a run: platform resources, open native files, the
// device-reset table, the virtual screen's clear, the native stack check
// and the console flag. Each test starts from the VM variables' reset, as
// a run does.
#include <gtest/gtest.h>

#include <csetjmp>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "port/host/section_snapshot.h"
#include "tools/testport/test_port.h"
#include "tools/testport/test_port_screen.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/vm_variables.h"
#include "vm/services/lifecycle/console.h"
#include "vm/services/lifecycle/device_reset.h"
#include "vm/services/lifecycle/native_file.h"
#include "vm/services/lifecycle/native_stack.h"
#include "vm/services/lifecycle/platform_resource.h"
#include "vm/services/lifecycle/virtual_screen.h"
#include "vm/services/memory/memory_service.h"

namespace {

constexpr uint32_t kChunkBytes = 16 * 1024;

std::string gCalls;

// The snapshot of the VM variables as the program starts, before any test
// changed them: the reset's initial values.
const bool gSnapshot = SectionSnapshotCreate();

class Glue : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(gSnapshot); }
  void SetUp() override {
    vsTestPort_startCapture();
    ASSERT_EQ(vsVm_initializeVariables(), 0);
    vsTestPort_stopCapture();
    chunk_ = vsLow_alloc(kChunkBytes);
    ASSERT_EQ(vsMemory_initialize(chunk_, kChunkBytes), 0);
    gCalls.clear();
    vsTestPort_takeClosedFiles();
  }
  void TearDown() override { vsLow_free(chunk_); }

  // Runs f inside an exit point: the trace it wrote (a fatal error leaves
  // through the exit point).
  static std::string traceOf(void (*f)()) {
    VmExitPoint point;
    vsTestPort_startCapture();
    if (setjmp(point.buffer) == 0) {
      vsExitPoint_push(&point);
      f();
    }
    vsExitPoint_remove(&point);
    return vsTestPort_stopCapture().trace;
  }

 private:
  void* chunk_ = nullptr;
};

void suspendA(VsPlatformResource*) { gCalls += "sA "; }
void resumeA(VsPlatformResource*) { gCalls += "rA "; }
void stopA(VsPlatformResource*) { gCalls += "tA "; }
void suspendB(VsPlatformResource*) { gCalls += "sB "; }
void stopB(VsPlatformResource*) { gCalls += "tB "; }

TEST_F(Glue, PlatformResourcesFollowSuspendResumeAndStopOnce) {
  VsPlatformResource a = vsPlatformResource_make(suspendA, resumeA, stopA);
  VsPlatformResource b = vsPlatformResource_make(suspendB, nullptr, stopB);
  EXPECT_EQ(vsPlatformResource_register(&a), 1);
  EXPECT_EQ(vsPlatformResource_register(&b), 1);
  EXPECT_EQ(vsPlatformResource_register(&a), 1);
  EXPECT_EQ(vsPlatformResource_register(nullptr), 0);
  vsTestPort_startCapture();
  vsPlatformResourceSuspend();
  vsPlatformResourceResume();
  EXPECT_EQ(vsTestPort_stopCapture().trace,
            "--------- vsPlatformResourceSuspend()\n--------- vsPlatformResourceResume()\n");
  vsPlatformResource_stopAll();
  vsPlatformResource_stopAll();
  EXPECT_EQ(gCalls, "sA sB rA tA tB ") << "each once, in registration order";
}

TEST_F(Glue, NativeFilesAreClosedOnceAndForgotten) {
  for (const int32_t handle : {0, 5, 7, 9}) EXPECT_EQ(vsNativeFile_add(handle), 0);
  vsNativeFile_remove(5);
  vsNativeFile_remove(42);
  vsTestPort_startCapture();
  vsNativeFile_closeAll();
  EXPECT_EQ(vsTestPort_stopCapture().trace,
            "JkRandomAccessFileClose(0)\nJkRandomAccessFileClose(7)\nJkRandomAccessFileClose(9)\n");
  EXPECT_EQ(vsTestPort_takeClosedFiles(), (std::vector<int32_t>{0, 7, 9}));
  vsNativeFile_closeAll();
  EXPECT_TRUE(vsTestPort_takeClosedFiles().empty()) << "the list was forgotten";
  EXPECT_EQ(vsNativeFile_add(3), 0);
  vsNativeFile_closeAll();
  EXPECT_EQ(vsTestPort_takeClosedFiles(), (std::vector<int32_t>{3}));
}

TEST_F(Glue, DeviceResetTableStartsAllOnAndKeepsItsBounds) {
  for (int32_t row = 0; row < kVsDeviceResetRows; ++row)
    for (int32_t column = 0; column < kVsDeviceResetColumns; ++column)
      EXPECT_EQ(vsDeviceReset_getSetting(row, column), 1) << row << "," << column;
  struct Case {
    int32_t row, column;
    intptr_t offending;  // -99: the row's address
  };
  const Case kCases[] = {{kVsDeviceResetDestroyed, kVsDeviceResetVibration, -99},
                         {2, 0, 2},
                         {-1, 1, -1},
                         {1, 5, 5},
                         {0, -3, -3}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.row << "," << c.column);
    const intptr_t result = vsDeviceReset_setSetting(c.row, c.column, 0);
    if (c.offending != -99) {
      EXPECT_EQ(result, c.offending);
      EXPECT_EQ(vsDeviceReset_getSetting(c.row, c.column), 0) << "outside the table";
    } else {
      EXPECT_EQ(vsDeviceReset_getSetting(c.row, c.column), 0);
      EXPECT_EQ(reinterpret_cast<const int32_t*>(result)[c.column], 0);
    }
  }
  EXPECT_EQ(vsDeviceReset_getSetting(kVsDeviceResetDestroyed, kVsDeviceResetBacklight), 1);
  EXPECT_EQ(vsDeviceReset_getSetting(kVsDeviceResetPaused, kVsDeviceResetVibration), 1);
}

TEST_F(Glue, VirtualScreenIsClearedToWhite) {
  vsTestScreen_reset(7, 5, TestScreenFailure::None);
  EXPECT_EQ(traceOf(vsDisplay_clearVirtualScreen),
            "JkVideoGetScreenInfo()\nJkGraphicsCreateContext(23630)\nJkOffScreenGetWidth(23630)\n"
            "JkOffScreenGetHeight(23630)\nJkGraphicsSetColor(0xffffff)\nJkVideoLock()\n"
            "JkGraphicsFillRect(0, 0, 7, 5)\nJkVideoUnlock(1)\n");
  int32_t notWhite = 0;
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 7; ++x) notWhite += vsTestScreen_pixel(x, y) != 0xffff;
  EXPECT_EQ(notWhite, 0);
  EXPECT_EQ(vsTestScreen_unlockCount(), 1);
  EXPECT_EQ(vsDisplay_getVideoProperty()->screenImage, kTestScreenHandle);
}

TEST_F(Glue, VirtualScreenFailuresStopTheVm) {
  struct Case {
    TestScreenFailure failure;
    const char* message;
  };
  const Case kCases[] = {{TestScreenFailure::NoScreen, "Can't get video property.\n"},
                         {TestScreenFailure::NoContext, "Can't create graphics context.\n"},
                         {TestScreenFailure::ZeroSize, "Invalid virtual screen size.\n"}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.message);
    vsTestPort_startCapture();
    ASSERT_EQ(vsVm_initializeVariables(), 0);
    vsTestPort_stopCapture();
    vsTestScreen_reset(4, 4, c.failure);
    const std::string trace = traceOf(vsDisplay_clearVirtualScreen);
    EXPECT_NE(trace.find(c.message), std::string::npos) << trace;
    EXPECT_EQ(vsTestScreen_lockCount(), 0);
    EXPECT_EQ(vsTestScreen_pixel(0, 0), 0);
  }
}

// A frame of more than the 8192 bytes the check allows below its start.
[[gnu::noinline]] void checkDeep() {
  volatile char frame[10000];
  frame[0] = 1;
  vsNativeStack_check();
  frame[1] = frame[0];
}

TEST_F(Glue, NativeStackCheckStopsTheVmBelowTheLimit) {
  vsNativeStack_initialize();
  EXPECT_EQ(traceOf([] { vsNativeStack_check(); }), "");
  EXPECT_NE(traceOf(checkDeep).find("Native Stack Overflow. Stack Size:8192\n"), std::string::npos);
}

TEST_F(Glue, ConsoleOutputIsOnAfterTheReset) {
  vsSys_setConsoleOutput(0);
  vsTestPort_startCapture();
  ASSERT_EQ(vsVm_initializeVariables(), 0);
  vsTestPort_stopCapture();
  vsTestPort_startCapture();
  vsSys_consoleWrite("x\n", 2);
  EXPECT_EQ(vsTestPort_stopCapture().console, "x\n");
}

}  // namespace
