#include "vm/core/startup/vm_control.h"

#include <gtest/gtest.h>

#include <string>

#include "tools/testport/test_port.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/services/lifecycle/system_glue.h"

namespace {

struct Exit {
  int32_t code;
  std::string trace;
};

// Calls leave() inside an exit point and returns the code it left with.
__attribute__((noinline)) Exit exitOf(void (*leave)()) {
  vsTestPort_startCapture();
  VmExitPoint point;
  if (setjmp(point.buffer) == 0) {
    vsExitPoint_push(&point);
    leave();
  }
  vsExitPoint_remove(&point);
  return {vsVmState().exitCode, vsTestPort_stopCapture().trace};
}

struct ExitCase {
  void (*leave)();
  int32_t code;
  const char* trace;
};

TEST(VmControl, ExitPaths) {
  const ExitCase cases[] = {
      {[] { vsVm_platformApiError(5); }, static_cast<int32_t>(0x80000006u),
       "ALERT: Platform API error: 5\n"},
      {[] { vsVm_platformApiError(32767); }, static_cast<int32_t>(0x80008000u),
       "ALERT: Platform API error: 32767\n"},
      {[] { vsVm_platformApiError(32768); }, static_cast<int32_t>(0x80000001u),
       "ALERT: Platform API error: 0\n"},
      {[] { vsVm_platformApiError(-3); }, static_cast<int32_t>(0x80000001u),
       "ALERT: Platform API error: 0\n"},
      {[] { vsVm_fatalErrorCode(7); }, -1, "Fatal error:   7\n"},
      {[] { vsVm_fatalErrorCode(1234); }, -1, "Fatal error: 1234\n"},
      {[] { vsNativeMethod_fatalError("no memory"); }, -1, "no memory\nFatal error: 134\n"},
      {[] { vsNativeMethod_fatalError("%s%n"); }, -1, "%s%n\nFatal error: 134\n"},
      {[] { vsVm_exitAfterShutdown(3); }, 3, ""},
      {[] { vsSys_exit(-7); }, -7, ""},
  };
  for (const ExitCase& c : cases) {
    const Exit e = exitOf(c.leave);
    EXPECT_EQ(e.code, c.code) << c.trace;
    EXPECT_EQ(e.trace, c.trace);
  }
}

TEST(VmControl, VerifyOnlyModeLeavesWithMinusTwo) {
  vsVmFlags().VerifyOnly = 1;
  EXPECT_EQ(exitOf([] { vsVm_fatalErrorCode(130); }).code, -2);
  EXPECT_EQ(exitOf([] { vsVm_exitAfterShutdown(0); }).code, -2);
  vsVmFlags().VerifyOnly = 0;
}

TEST(VmControl, TerminateLeavesOnlyARunningVm) {
  vsVm_setVmId(4);
  vsVmState().running = 0;
  EXPECT_EQ(vsVm_terminate(4), -1);
  vsVmState().running = 1;
  EXPECT_EQ(exitOf([] { vsVm_terminate(4); }).code, 1);
  const Exit e = exitOf([] { vsVm_terminate(5); });
  EXPECT_EQ(e.code, 1);
  EXPECT_EQ(e.trace, "Warning: Illegal vmId.\n");
  vsVmState().running = 0;
  EXPECT_EQ(vsVm_lastExitStatus(), 1);
}

TEST(VmControl, SuspendAndResumeKeepTheirWords) {
  VmStateWords& s = vsVmState();
  vsVm_setVmId(1);
  s.running = 1;
  s.vmActive = 1;
  EXPECT_EQ(vsVm_suspend(1), 0);
  EXPECT_EQ(s.vmActive, 0);
  EXPECT_EQ(vsVm_isSuspending(), 0);
  EXPECT_EQ(vsVm_suspend(1), -1);
  EXPECT_EQ(vsVm_resume(1), 0);
  EXPECT_EQ(s.vmActive, 1);
  EXPECT_EQ(vsVm_resume(1), -1);
  s.running = 0;
  s.vmActive = 0;
  EXPECT_EQ(vsVm_resume(1), -1);
  EXPECT_EQ(vsVm_getVmId(), 1);
  EXPECT_EQ(vsVm_currentVmId(), 1);
}

void handler(int32_t, int32_t, int32_t) {}

TEST(VmControl, EventHandlerIsKeptAsAWord) {
  vsVm_setEventHandler(handler);
  EXPECT_EQ(vsVm_getEventHandler(), &handler);
  vsVm_setEventHandler(nullptr);
  EXPECT_EQ(vsVm_getEventHandler(), nullptr);
}

TEST(VmControl, SwitchCounterNeverGoesBelowZero) {
  EXPECT_EQ(vsScheduler_isSwitchDisabled(), 0);
  vsScheduler_disableSwitch();
  vsScheduler_disableSwitch();
  vsScheduler_enableSwitch();
  EXPECT_EQ(vsScheduler_isSwitchDisabled(), 1);
  vsScheduler_enableSwitch();
  vsScheduler_enableSwitch();
  EXPECT_EQ(vsScheduler_isSwitchDisabled(), 0);
  vsScheduler_disableSwitch();
  EXPECT_EQ(vsScheduler_isSwitchDisabled(), 1);
  vsScheduler_enableSwitch();
}

TEST(VmControl, ParametersByIndex) {
  const VmFlagValues saved = vsVmFlags();
  for (int32_t index = 0; index <= 8; ++index)
    vsVm_setParameter(index, 100 + index);
  const int32_t expected[] = {0, 0, 102, 103, 104, 1, 0, 107, 0};
  for (int32_t index = 0; index <= 8; ++index)
    EXPECT_EQ(vsVm_getParameter(index), expected[index]) << index;
  EXPECT_EQ(vsVmFlags().HeapCapacity, 102);
  EXPECT_EQ(vsVmFlags().HeapMin, 103);
  EXPECT_EQ(vsVmFlags().SlaveMode, 104);
  EXPECT_EQ(vsVmFlags().CachedAsyncDataSize, 107);
  vsVmFlags() = saved;
}

}  // namespace
