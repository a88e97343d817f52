// The lifecycle reports and the control by vmId, without a running VM:
// recording hooks and a recording handler (installed as the core's handler)
// show the order of every transition; the clock's re-base; the control
// functions' refusals; the event conversion; the test runs that end before
// the core starts. Each test starts from the VM
// variables' reset, as a run does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "port/host/section_snapshot.h"
#include "port/vm_clock.h"
#include "port/vm_sync.h"
#include "tools/testport/test_port.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_variables.h"
#include "vm/services/lifecycle/lifecycle_state.h"
#include "vm/services/lifecycle/midp_start.h"
#include "vm/services/lifecycle/vm_callback.h"
#include "vm/services/lifecycle/vm_clock.h"
#include "vm/services/lifecycle/vm_hooks.h"

namespace {

const bool gSnapshot = SectionSnapshotCreate();

std::string gOrder;
VsVmHookTable gTables[kVsVmHookSlots + 1];

void record(const std::string& what) { gOrder += what; }

void handler(int32_t vmId, int32_t event, int32_t param) {
  gOrder += "H" + std::to_string(vmId) + ":" + std::to_string(event) + ":" + std::to_string(param) + " ";
}

// Hooks of table A and table B, recording their letter and kind.
void aStarted(VmPtr<VsVmHookTable>*) { record("A.start "); }
void aSuspended(VmPtr<VsVmHookTable>*) { record("A.susp "); }
void aResumed(VmPtr<VsVmHookTable>*) { record("A.res(" + std::to_string(vsClockBase.rebased) + ") "); }
void aStopped(VmPtr<VsVmHookTable>*) { record("A.stop "); }
void bStarted(VmPtr<VsVmHookTable>* slot) {
  // The hook receives its table's registry slot.
  record(slot->get() == &gTables[1] ? "B.start " : "B.wrong-slot ");
}
void bStopped(VmPtr<VsVmHookTable>*) { record("B.stop "); }

class Lifecycle : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(gSnapshot); }
  void SetUp() override {
    ASSERT_EQ(vsVm_initializeVariables(), 0);
    vsVm_setVmId(3);
    vsVm_setEventHandler(handler);
    gOrder.clear();
  }
  void TearDown() override { vsVm_initializeVariables(); }
};

TEST_F(Lifecycle, TransitionsCallHooksAndHandlerInOrder) {
  gTables[0] = vsVmHooks_make(aStarted, aSuspended, aResumed, aStopped);
  gTables[1] = vsVmHooks_make(bStarted, nullptr, nullptr, bStopped);
  ASSERT_EQ(vsVmHooks_register(&gTables[0]), 1);
  ASSERT_EQ(vsVmHooks_register(&gTables[1]), 1);
  struct Case {
    const char* name;
    void (*transition)();
    const char* expected;
  } cases[] = {
      {"started", [] { vsVmCallback_vmStarted(); }, "H3:1:0 A.start B.start "},
      {"suspended", [] { vsVmCallback_vmSuspended(); }, "A.susp H3:2:0 "},
      // The re-base comes before the hooks.
      {"resumed", [] { vsVmCallback_vmResumed(); }, "A.res(1) H3:3:0 "},
      {"stopped", [] { vsVmCallback_vmStopped(-5); }, "A.stop B.stop H3:4:-5 "},
  };
  for (const Case& c : cases) {
    gOrder.clear();
    c.transition();
    EXPECT_EQ(gOrder, c.expected) << c.name;
  }
}

TEST_F(Lifecycle, FullRegistryRefusesTheCallbackSetAndGoesOn) {
  for (int32_t i = 0; i < kVsVmHookSlots; ++i) {
    gTables[i] = vsVmHooks_make(nullptr, nullptr, nullptr, i == 0 ? aStopped : nullptr);
    ASSERT_EQ(vsVmHooks_register(&gTables[i]), 1) << i;
  }
  gTables[kVsVmHookSlots] = vsVmHooks_make(aStarted, nullptr, nullptr, nullptr);
  EXPECT_EQ(vsVmHooks_register(&gTables[kVsVmHookSlots]), 0);
  vsTestPort_startCapture();
  vsVmCallback_registerFunction();
  const TestPortCapture c = vsTestPort_stopCapture();
  EXPECT_NE(c.trace.find("ERROR: vsVmCallback_registerFunction.\n"), std::string::npos) << c.trace;
  vsVmCallback_vmStopped(0);
  EXPECT_EQ(gOrder, "A.stop H3:4:0 ");
}

TEST_F(Lifecycle, CallbackSetKeepsTheSuspendedWord) {
  vsVmCallback_registerFunction();
  vsVmCallback_vmSuspended();
  EXPECT_EQ(vsVmState_getSuspended(), 1);
  vsVmCallback_vmResumed();
  EXPECT_EQ(vsVmState_getSuspended(), 0);
  vsTestPort_startCapture();
  vsVmCallback_vmStopped(0);
  const TestPortCapture c = vsTestPort_stopCapture();
  EXPECT_NE(c.trace.find("JkSoftkeyResetLabels()\n"), std::string::npos) << c.trace;
}

// After a resume the clock reads the wall clock (within a second), however
// far the tick count lies from it.
TEST_F(Lifecycle, ResumeRebasesTheClockToTheWallClock) {
  vsClockBase = {0x12345678u, 0x1u, 0, 0, 1};
  vsVmCallback_vmResumed();
  uint32_t high = 0, low = 0;
  JkGetCurrentTimeMillis(&high, &low);
  const int64_t wall = static_cast<int64_t>(uint64_t{high} << 32 | low);
  EXPECT_LT(std::llabs(vsClock_currentTimeMillis() - wall), 1000);
}

TEST_F(Lifecycle, ApplicationReportsFollowTheStartedWord) {
  vsVmState().running = 1;
  vsVmCallback_appPaused();  // not started: nothing
  EXPECT_EQ(gOrder, "");
  EXPECT_EQ(vsVmState_getAppPaused(), 0);
  vsVmState_setStarted(1);
  vsVmCallback_vmPaintReady();
  vsVmCallback_appStarted();
  vsVmCallback_appPaused();
  EXPECT_EQ(vsVmState_getAppPaused(), 1);
  vsVmCallback_appResumed();
  EXPECT_EQ(vsVmState_getAppPaused(), 0);
  vsVmCallback_appDestroyed();
  EXPECT_EQ(gOrder, "H3:10:0 H3:20:0 H3:21:0 H3:22:0 H3:23:0 ");
}

TEST_F(Lifecycle, ConvertEvents) {
  const struct {
    int32_t code, expected;
  } cases[] = {{1, 1}, {4, 4}, {11, 20}, {14, 23}, {0, 0}, {5, 0}, {10, 0}, {15, 0}};
  for (const auto& c : cases) EXPECT_EQ(vsVmCallback_convertEvents(c.code), c.expected) << c.code;
}

TEST_F(Lifecycle, ControlRefusesWithoutAStartedVm) {
  const struct {
    const char* name;
    int32_t (*control)(int32_t);
  } controls[] = {{"stop", OamsVmStop},
                  {"suspend", OamsVmSuspend},
                  {"resume", OamsVmResume},
                  {"terminate", OamsVmTerminate},
                  {"pause", OamsVmPause}};
  for (const auto& c : controls) {
    EXPECT_EQ(c.control(3), -2) << c.name << " not started";
    vsVmState_setStarted(1);
    EXPECT_EQ(c.control(4), -2) << c.name << " other vmId";
    vsVmState_setStarted(0);
  }
  EXPECT_EQ(OamsVmStop(0), -1);
  EXPECT_EQ(OamsVmTerminate(0), -1);
  vsVmState_setStarted(1);
  EXPECT_EQ(OamsVmResume(3), -2) << "resume when not suspended";
  vsVmState_setAppPaused(1);
  EXPECT_EQ(OamsVmPause(3), -2) << "pause when paused";
}

TEST_F(Lifecycle, SecondStartWhileStartedIsRefused) {
  vsVmState_setStarted(1);
  EXPECT_EQ(OamsVmStartMIDP(1, 0, nullptr, nullptr, nullptr, 0, nullptr, nullptr), -2);
}

// Test runs that end in the start: the test agent's set-up, its fetch and
// the test parameters' checks, each with its result.
int32_t shortReader(void*, int32_t, int32_t size) { return size / 2; }

template <typename T>
T* low(size_t bytes) {
  void* block = vsLow_alloc(bytes);
  if (block != nullptr) std::memset(block, 0, bytes);
  return static_cast<T*>(block);
}

TEST_F(Lifecycle, TestRunsEndingInTheStart) {
  constexpr char kAgent[] = "jp.co.orvex.midp.tck.TCK";
  const std::string longHost = "http://" + std::string(70, 'a') + "/";
  struct Case {
    const char* name;
    const char* className;
    int32_t preloaded;
    int32_t jarLength;  // of a preloaded JAR
    bool jarThroughReader;
    int32_t heapSize;
    std::vector<std::string> params;
    int32_t result;
  } cases[] = {
      {"no agent class", "tests.Other", 0, 0, false, 65536, {}, -1},
      {"server text too long", kAgent, 0, 0, false, 65536, {"-tck_host", longHost}, -9},
      {"fetch refused", kAgent, 0, 0, false, 65536, {"-tck_host", "http://127.0.0.1:1/"}, 0},
      {"preloaded without a JAR", kAgent, 1, 0, false, 65536, {}, -1},
      {"preloaded, application JAR read short", kAgent, 1, 16, true, 65536, {}, -1},
      {"preloaded, application JAR too large", kAgent, 1, 16, true, 1024, {}, -10},
  };
  ASSERT_TRUE(VmSyncCreate());
  constexpr int32_t kJarBytes = 4096;
  constexpr int32_t kBuffer = 256;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* heap = low<uint8_t>(static_cast<size_t>(c.heapSize));
    auto* app = low<JKT_MIDP_Application>(sizeof(JKT_MIDP_Application));
    auto* info = low<VsTckInfo>(sizeof(VsTckInfo));
    auto* jar = low<uint8_t>(kJarBytes);
    auto* buffers = low<uint8_t>(4 * kBuffer);
    const size_t nameLength = std::strlen(c.className);
    auto* name = low<char>(nameLength + 1);
    ASSERT_TRUE(heap && app && info && jar && buffers && name);
    std::memcpy(name, c.className, nameLength);
    app->jarSize = kJarBytes;
    if (c.jarThroughReader)
      app->jarRead = vsWord_fromPointer(reinterpret_cast<const void*>(&shortReader));
    else
      app->jarAddr = jar;
    app->className = name;
    app->classNameLen = static_cast<int32_t>(nameLength);
    app->tckInfo = info;
    info->jarBuffer = jar;
    info->jarSize = kJarBytes;
    info->jarLength = c.jarLength;
    info->descriptorBuffer = buffers;
    info->descriptorSize = kBuffer;
    info->jarUrlBuffer = reinterpret_cast<char*>(buffers + kBuffer);
    info->jarUrlSize = kBuffer;
    info->classNameBuffer = reinterpret_cast<char*>(buffers + 2 * kBuffer);
    info->classNameSize = kBuffer;
    info->preloaded = c.preloaded;
    // The host's parameter arrays lie in low memory too.
    const auto count = static_cast<int32_t>(c.params.size());
    auto* params = low<const char*>(sizeof(char*) * 2);
    auto* lengths = low<int32_t>(sizeof(int32_t) * 2);
    ASSERT_TRUE(params && lengths && count <= 2);
    for (int32_t i = 0; i < count; ++i) {
      params[i] = c.params[static_cast<size_t>(i)].c_str();
      lengths[i] = static_cast<int32_t>(c.params[static_cast<size_t>(i)].size());
    }
    EXPECT_EQ(vsVmStartMIDP(3, c.heapSize, heap, app, handler, count, params, lengths), c.result);
    vsLow_free(params);
    vsLow_free(lengths);
    EXPECT_EQ(vsVmState_getStarted(), 0);
    for (void* block : {static_cast<void*>(heap), static_cast<void*>(app), static_cast<void*>(info),
                        static_cast<void*>(jar), static_cast<void*>(buffers), static_cast<void*>(name)})
      vsLow_free(block);
  }
  VmSyncDelete();
}

}  // namespace
