// A slave VM (SlaveMode) driven step by step in this process, as a host
// drives it: it keeps its archive until the step in which its thread ends
// the VM, and that step reports the end. Every step before asks for no wait.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "port/host/section_snapshot.h"
#include "port/vm_sync.h"
#include "port/vm_tick.h"
#include "tools/testport/test_port.h"
#include "vm/core/startup/slave_mode.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_run.h"
#include "vm/core/startup/vm_variables.h"
#include "vm/services/lifecycle/console.h"
#include "vm/services/lifecycle/os_file.h"

namespace {

constexpr uint32_t kMemoryBytes = 4194304;
constexpr int kMostSteps = 1000;

TEST(SlaveVm, AThreadsExitEndsItsStepAndTheArchiveStaysUntilThen) {
  ASSERT_TRUE(SectionSnapshotCreate());
  std::ifstream file(VS_FIXTURE_JAR, std::ios::binary);
  const std::vector<char> jar((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(jar.empty()) << VS_FIXTURE_JAR;
  auto* jarCopy = static_cast<uint8_t*>(vsLow_alloc(jar.size()));
  auto* memory = static_cast<uint8_t*>(vsLow_alloc(kMemoryBytes));
  auto* params = static_cast<VmStartParams*>(vsLow_alloc(sizeof(VmStartParams)));
  auto* className = static_cast<char*>(vsLow_alloc(32));
  ASSERT_TRUE(jarCopy != nullptr && memory != nullptr && params != nullptr && className != nullptr);
  std::memcpy(jarCopy, jar.data(), jar.size());
  std::memset(params, 0, sizeof(VmStartParams));
  std::strcpy(className, "tests.SlaveExit");
  params->mainClass = className;
  params->jarSize = static_cast<uint32_t>(jar.size());
  params->jarAddress = jarCopy;
  params->memorySize = kMemoryBytes;
  params->memoryAddress = vsWord_fromPointer(memory);
  ASSERT_TRUE(VmSyncCreate());
  VmTickBaseInit();

  vsTestPort_startCapture();
  ASSERT_EQ(vsVm_initializeVariables(), 0);
  vsSys_setConsoleOutput(1);
  vsVm_setVmId(1);
  std::string slave = "+SlaveMode";
  char* argv[] = {slave.data()};
  const int32_t status = vsVm_run(1, params, 1, argv, nullptr);
  const bool archiveAfterRun = vsOs_fileExists("/app.jar") != 0;
  std::vector<int64_t> steps;
  std::vector<bool> archiveAfterStep;
  while (steps.size() < kMostSteps && (steps.empty() || steps.back() != kSlaveVmEnded)) {
    steps.push_back(vsScheduler_timeSlice());
    archiveAfterStep.push_back(vsOs_fileExists("/app.jar") != 0);
  }
  const int64_t afterEnd = vsScheduler_timeSlice();
  const int32_t exitStatus = vsVm_lastExitStatus();
  const TestPortCapture captured = vsTestPort_stopCapture();

  EXPECT_EQ(status, 0) << captured.trace;
  EXPECT_TRUE(archiveAfterRun) << "the slave VM keeps /app.jar after vsVm_run";
  // Main's yield ends a step and the exit the next; a tick of the time
  // slice on a slow machine may end a step earlier, adding steps before.
  ASSERT_GE(steps.size(), 2u) << "main's yield ends a step, the exit the next";
  ASSERT_LT(steps.size(), static_cast<size_t>(kMostSteps)) << "the exit never ended a step";
  for (size_t step = 0; step + 1 < steps.size(); ++step) {
    EXPECT_EQ(steps[step], 0) << "step " << step;
    EXPECT_TRUE(archiveAfterStep[step]) << "step " << step;
  }
  EXPECT_EQ(steps.back(), kSlaveVmEnded);
  EXPECT_FALSE(archiveAfterStep.back()) << "the end of the slave VM clears the run";
  EXPECT_EQ(vsVm_isRunning(), 0);
  EXPECT_EQ(afterEnd, kSlaveVmEnded);
  EXPECT_EQ(exitStatus, 3);
  EXPECT_EQ(captured.console.find("not reached"), std::string::npos) << captured.console;

  VmSyncDelete();
  vsLow_free(className);
  vsLow_free(params);
  vsLow_free(memory);
  vsLow_free(jarCopy);
  SectionSnapshotDelete();
}

}  // namespace
