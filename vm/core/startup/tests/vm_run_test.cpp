// Runs of the VM start-up in this process, as vmrun does them.
#include "vm/core/startup/vm_run.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "port/host/section_snapshot.h"
#include "tools/testport/test_port.h"
#include "vm/core/natives/native_roots.h"
#include "vm/core/startup/service_hooks.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/startup/vm_variables.h"
#include "vm/services/connection/protocol_registry.h"
#include "vm/services/lifecycle/console.h"
#include "vm/services/lifecycle/os_file.h"
#include "vm/services/memory/handle_table.h"
#include "vm/services/memory/memory_service.h"

namespace {

constexpr uint32_t kMemoryBytes = 4194304;

const uint8_t kJar[] = {'P', 'K', 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

int32_t jarReader(uint8_t* buffer, uint32_t offset, int32_t size) {
  int32_t n = 0;
  for (; n < size && offset + static_cast<uint32_t>(n) < sizeof kJar; ++n)
    buffer[n] = kJar[offset + static_cast<uint32_t>(n)];
  return n;
}

struct RunResult {
  int32_t status;
  std::string trace;
};

class VmRun : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(SectionSnapshotCreate()); }
  static void TearDownTestSuite() { SectionSnapshotDelete(); }

  void SetUp() override {
    memory_ = static_cast<uint8_t*>(vsLow_alloc(kMemoryBytes + 8));
    ASSERT_NE(memory_, nullptr);
    params_ = static_cast<VmStartParams*>(vsLow_alloc(sizeof(VmStartParams)));
    className_ = static_cast<char*>(vsLow_alloc(2048));
    arguments_ = static_cast<VmPtr<const char>*>(vsLow_alloc(64 * sizeof(VmPtr<const char>)));
    std::strcpy(className_, "X");
    params_->mainClass = className_;
    params_->jarSize = sizeof kJar;
    params_->jarAddress = kJar;
    params_->memorySize = kMemoryBytes;
    params_->memoryAddress = vsWord_fromPointer(memory_);
  }

  void TearDown() override {
    vsLow_free(arguments_);
    vsLow_free(className_);
    vsLow_free(params_);
    vsLow_free(memory_);
  }

  // What vmrun's run thread does, with the VM arguments given.
  RunResult run(std::vector<std::string> vmArgs) {
    std::vector<char*> argv;
    for (std::string& a : vmArgs)
      argv.push_back(a.data());
    vsTestPort_startCapture();
    vsVm_printBanner();
    const int32_t init = vsVm_initializeVariables();
    vsSys_setConsoleOutput(1);
    vsVm_setVmId(1);
    const int32_t status =
        init != 0 ? init : vsVm_run(1, params_, static_cast<int32_t>(argv.size()), argv.data(), nullptr);
    return {status, vsTestPort_stopCapture().trace};
  }

  void setArguments(int n) {
    static const char kArgument[] = "a";
    for (int i = 0; i < n; ++i)
      arguments_[i] = kArgument;
    arguments_[n].raw = 0;
    params_->arguments = arguments_;
  }

  static bool has(const RunResult& r, const char* text) { return r.trace.find(text) != std::string::npos; }

  // Nothing of a run survives it.
  static void expectNothingLeft() {
    EXPECT_EQ(vsVm_isRunning(), 0);
    EXPECT_EQ(vsVm_isSuspending(), 0);
    EXPECT_EQ(vsVmState().vmActive, 0);
    EXPECT_EQ(vsVmState().insideMain, 0);
    EXPECT_EQ(vsOs_fileExists("/app.jar"), 0);
    EXPECT_EQ(vsOs_fileExists("/tck.jar"), 0);
    EXPECT_EQ(vsVm_terminate(1), -1);
  }

  uint8_t* memory_ = nullptr;
  VmStartParams* params_ = nullptr;
  char* className_ = nullptr;
  VmPtr<const char>* arguments_ = nullptr;
};

TEST_F(VmRun, VersionTwiceEndsEachRunCleanly) {
  for (int i = 0; i < 2; ++i) {
    const RunResult r = run({"-version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has(r, "Java 2 Micro Edition\nVostel_VM (build 1.1.1, product)\n")) << r.trace;
    EXPECT_TRUE(has(r, "VM variable initialization.\n"));
    EXPECT_FALSE(has(r, "VM heap"));
    expectNothingLeft();
  }
}

TEST_F(VmRun, ReachesTheCoreStartWithTheHeapSized) {
  const RunResult r = run({});
  EXPECT_EQ(r.status, -1);
  EXPECT_TRUE(has(r, "--- allocPointerHeap 0x"));
  EXPECT_TRUE(has(r, " 0x64000\n--- objectHeap 0x"));
  EXPECT_TRUE(has(r, " 0x39c000\nError: no class image in this build.\nkvm_main return code = -1\n"))
      << r.trace;
  EXPECT_EQ(vsVm_getParameter(2), 3659776);
  EXPECT_EQ(vsVm_getParameter(3), 3659776);
  EXPECT_EQ(vsVmFlags().InterpretationLogSize, 16);
  EXPECT_EQ(vsVmFlags().MaxMethodToCompile, 6000);
  EXPECT_EQ(vsVmFlags().MinMethodToCompile, 0);
  // The memory service's first chunk is the native part; no handle tables;
  // the temporary-root table lies in that chunk.
  const VmWord address = params_->memoryAddress;
  ASSERT_EQ(vsMemory_state.ringHead, address);
  const auto* chunk = vsWord_toPointer<MemoryChunk>(address);
  EXPECT_EQ(chunk->next, address);
  EXPECT_EQ(chunk->start, address + 16);
  EXPECT_EQ(chunk->end, address + 0x64000);
  EXPECT_EQ(vsMemory_handleTables.list, 0u);
  EXPECT_EQ(vsMemory_handleTables.current, 0u);
  const VmWord tempRoots = vsNativeMethod_tempRoots;
  EXPECT_GE(tempRoots, chunk->start);
  EXPECT_LE(tempRoots + kTempRootTableBytes, chunk->end);
  const auto* table = vsWord_toPointer<TempRoots>(tempRoots);
  EXPECT_EQ(table->capacity, 50u);
  EXPECT_EQ(table->count, 0u);
  EXPECT_EQ(table->slots, tempRoots + 12);
  expectNothingLeft();
}

TEST_F(VmRun, ReaderBackedJarReachesTheCoreStart) {
  params_->jarAddress = nullptr;
  params_->jarReader = vsWord_fromPointer(reinterpret_cast<const void*>(jarReader));
  const RunResult r = run({});
  EXPECT_TRUE(has(r, "Error: no class image in this build.\n"));
  expectNothingLeft();
}

struct FailureCase {
  std::vector<std::string> vmArgs;
  int32_t status;
  const char* message;
};

TEST_F(VmRun, StartFailuresAndEarlyExits) {
  const FailureCase cases[] = {
      {{"-help"}, 1, "VM variable initialization.\n"},
      {{"-native_memory", "1024"}, -1, "Native memory ratio (1024) is too high to start VM.\n"},
      {{"-native_memory", "1"}, -1, "Native memory ratio (1) is too low to start VM.\n"},
      {{"-native_memory"}, -1, "Error: unknown argument -native_memory.\n"},
      {{"=HeapCapacityx"}, -1, "Error: unknown argument =HeapCapacityx.\n"},
      {{"-cp"}, -1, "Error: unknown argument -cp.\n"},
      {{"Main"}, -1, "Error: unknown argument Main.\n"},
      {{"-cp", "a.jar", "-Dx=y", "+UseVerifier", "-int"}, -1, "Error: no class image in this build.\n"},
  };
  for (const FailureCase& c : cases) {
    const RunResult r = run(c.vmArgs);
    EXPECT_EQ(r.status, c.status) << c.vmArgs[0];
    EXPECT_TRUE(has(r, c.message)) << c.vmArgs[0] << "\n" << r.trace;
    expectNothingLeft();
  }
}

TEST_F(VmRun, MissingClassOrJarFailsBeforeTheOptions) {
  params_->mainClass = nullptr;
  RunResult r = run({"-version"});
  EXPECT_EQ(r.status, -1);
  EXPECT_TRUE(has(r, "Error: Application class name is NULL.\n"));
  EXPECT_FALSE(has(r, "Java 2 Micro Edition"));
  expectNothingLeft();

  params_->mainClass = className_;
  params_->jarAddress = nullptr;
  r = run({"-version"});
  EXPECT_EQ(r.status, -1);
  EXPECT_TRUE(has(r, "Error: can't set APP_JAR to vsMemStream -1.\n"));
  expectNothingLeft();
}

TEST_F(VmRun, TestJarIsRegisteredWithTheApplication) {
  VmWord* harness = static_cast<VmWord*>(vsLow_alloc(8 * sizeof(VmWord)));
  params_->testHarness = harness;
  RunResult r = run({});
  EXPECT_TRUE(has(r, "Error: can't set TCK_JAR to vsMemStream -1.\n"));
  expectNothingLeft();

  harness[kVsVm_harnessJarAddress] = vsWord_fromPointer(kJar);
  harness[kVsVm_harnessJarSize] = sizeof kJar;
  // An agent of kind 0 has the test socket protocol before the core starts;
  // another kind keeps the registry empty until the parts fill it.
  for (const VmWord kind : {0u, 1u}) {
    harness[kVsVm_harnessAgentKind] = kind;
    r = run({});
    EXPECT_TRUE(has(r, "Error: no class image in this build.\n")) << r.trace;
    EXPECT_FALSE(has(r, "can't set GCF")) << r.trace;
    if (kind == 0)
      EXPECT_STREQ(vsGenericConnection_getClassName("socket"), kVsTck_socketProtocolClass);
    else
      EXPECT_EQ(vsGenericConnection_getClassName("socket"), nullptr);
    expectNothingLeft();
  }
  params_->testHarness = nullptr;
  vsLow_free(harness);
}

TEST_F(VmRun, ThirtyTwoApplicationArgumentsAreTheMost) {
  setArguments(32);
  RunResult r = run({});
  EXPECT_TRUE(has(r, "Error: no class image in this build.\n"));
  setArguments(33);
  r = run({});
  EXPECT_EQ(r.status, -1);
  EXPECT_FALSE(has(r, "VM heap"));
  expectNothingLeft();
}

TEST_F(VmRun, MisalignedMemoryIsFatal) {
  params_->memoryAddress = vsWord_fromPointer(memory_ + 2);
  const RunResult r = run({});
  EXPECT_EQ(r.status, -1);
  EXPECT_TRUE(has(r, "Heap address is not four-byte aligned\nFatal error: 134\n")) << r.trace;
  expectNothingLeft();
}

TEST_F(VmRun, TooSmallAHeapAreaFails) {
  params_->memorySize = 40000;
  const RunResult r = run({"-native_memory", "900"});
  EXPECT_EQ(r.status, -1);
  EXPECT_TRUE(has(r, "Java heap size is too small to start VM.\n"));
  EXPECT_FALSE(has(r, "no class image"));
  expectNothingLeft();
}

TEST_F(VmRun, BannerHasTheBuildDate) {
  const RunResult r = run({"-version"});
  EXPECT_EQ(r.trace.rfind("Vostel_VM Copyright (C) 2004-2005\n build date : 2005-07-04_12:44\n", 0), 0u)
      << r.trace;
}

}  // namespace
