// The start of one MIDP application (see midp_start.h).
#include "vm/services/lifecycle/midp_start.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/core/wait.h"
#include "ce/substrate/vm_sections.h"
#include "vm/core/startup/vm_run.h"
#include "vm/core/startup/vm_variables.h"
#include "vm/services/descriptor/class_choice.h"
#include "vm/services/descriptor/tck_agent.h"
#include "vm/services/events/event_posters.h"
#include "vm/services/lifecycle/lifecycle_state.h"
#include "vm/services/lifecycle/vm_callback.h"
#include "vm/services/memory/trace_log.h"

namespace {

constexpr char kMidletClass[] = "javax.microedition.midlet.MIDlet";
constexpr char kCldcAgentClass[] = "com.sun.tck.cldc.javatest.agent.CldcAgent";
constexpr int32_t kTestRunResult = 2;

// The agent record is the core's test-harness record.
static_assert(offsetof(VsTckAgent, kind) == 4 * kVsVm_harnessAgentKind &&
              offsetof(VsTckAgent, jarBuffer) == 4 * kVsVm_harnessJarAddress &&
              offsetof(VsTckAgent, jarLength) == 4 * kVsVm_harnessJarSize);
constexpr int32_t kTerminatedResult = -11;

VS_VMBSS(VmWord) gHostHandler = 0;

// The wake object of the run's suspensions (created before the run, closed
// after it) and the count of blocking waits begun; host threads read both
// while the run is started.
VS_VMBSS(HANDLE) gWake = nullptr;
VS_VMBSS(int32_t) gBlockingWaits = 0;

// length + 1, rounded up by 4 - (length + 1) mod 4.
int32_t rounded(int32_t length) { return (length + 1) + 4 - (length + 1) % 4; }

int32_t normalise(int32_t status) { return status > 1 ? -127 : status; }

void adapter(int32_t vmId, int32_t event, int32_t param) {
  const auto host = reinterpret_cast<VmEventHandler>(static_cast<uintptr_t>(VmWord{gHostHandler}));
  if (host != nullptr) {
    if (event == kVsVmEventStopped)
      param = vsVmState_getTerminateRequested() == 1 ? kTerminatedResult : normalise(param);
    host(vmId, event, param);
  }
  if (event != kVsVmEventSuspended) return;
  vsTraceLog_trace("----- VM Busy Wait starting ...\n");
  std::atomic_ref<int32_t>(gBlockingWaits).fetch_add(1);
  while (vsVmState_getSuspended() != 0) WaitForSingleObject(gWake, INFINITE);
  vsTraceLog_trace("----- VM Busy Wait done\n");
}

bool badRecord(int32_t vmId, int32_t heapSize, const uint8_t* heapAddr, const JKT_MIDP_Application* app) {
  if (vmId < 1 || heapSize < 1 || heapAddr == nullptr || app == nullptr) return true;
  if (app->jarSize < 1 || (!app->jarAddr && app->jarRead == 0)) return true;
  if (app->jadSize < 1 && (app->jadAddr || app->jadRead != 0)) return true;
  return app->className && app->classNameLen < 1;
}

void logRecord(const JKT_MIDP_Application* app) {
  vsTraceLog_trace("===> JKT_MIDP_Application\n");
  vsTraceLog_trace("jarAddr:0x%x\n", app->jarAddr.raw);
  vsTraceLog_trace("jarSize:%d\n", app->jarSize);
  vsTraceLog_trace("jarRead:0x%x\n", app->jarRead);
  vsTraceLog_trace("className:%d\n", app->className.raw);
  vsTraceLog_trace("classNameLen:%d\n", app->classNameLen);
  vsTraceLog_trace("jadAddr:0x%x\n", app->jadAddr.raw);
  vsTraceLog_trace("jadSize:%d\n", app->jadSize);
  vsTraceLog_trace("jadRead:0x%x\n", app->jadRead);
  vsTraceLog_trace("trusted:%d\n", app->trusted);
}

void probe(VmWord address, VmWord reader, const char* name) {
  if (address != 0 || reader == 0) return;
  uint8_t byte = 0;
  if (vsLaunch_reader(reader)(&byte, 0, 1) != 1)
    vsTraceLog_trace("The parameters for %s is not (buff, size, offset) but (buff, offset, size). Be careful.\n",
                     name);
}

// Test parameters the start can use: buffers with their sizes to fetch
// into, or a preloaded JAR and a class name terminated within its buffer.
bool usableTestParameters(const VsTckInfo* info) {
  if (!info->classNameBuffer || info->classNameSize < 1) return false;
  if (info->preloaded != 0)
    return info->jarBuffer && info->jarLength > 0 &&
           std::memchr(info->classNameBuffer.get(), '\0', static_cast<size_t>(info->classNameSize)) != nullptr;
  return info->jarBuffer && info->jarSize > 0 && info->descriptorBuffer && info->descriptorSize > 0 &&
         info->jarUrlBuffer && info->jarUrlSize > 0;
}

// A test run whose JAR is already in the test parameters: the agent's JAR
// is the application's, read whole behind the used part of the heap when
// the record gives it only through its reader (*used grows by its rounded
// size). 0, -10 when it does not fit, -1 when the read fails.
int32_t takeTestJar(VsTckAgent* agent, const JKT_MIDP_Application* app, uint8_t* heap, int32_t heapSize,
                    int32_t* used) {
  agent->jarLength = app->jarSize;
  if (app->jarAddr) {
    agent->jarBuffer.raw = app->jarAddr.raw;
    return 0;
  }
  const int32_t bytes = rounded(app->jarSize);
  if (bytes > heapSize - *used) return -10;
  uint8_t* copy = heap + *used;
  if (vsLaunch_reader(app->jarRead)(copy, 0, app->jarSize) != app->jarSize) return -1;
  agent->jarBuffer = copy;
  *used += bytes;
  return 0;
}

}  // namespace

int32_t vsVmStart_blockingWaits() { return std::atomic_ref<int32_t>(gBlockingWaits).load(); }

int32_t vsVmStartMIDP(int32_t vmId, int32_t heapSize, uint8_t* heapAddr, const JKT_MIDP_Application* app,
                      VmEventHandler handler, int32_t vmParamCount, const char* const* vmParams,
                      const int32_t* vmParamLens) {
  vsVm_printBanner();
  if (vsVmState_getStarted() == 1) return -2;
  const int32_t reset = vsVm_initializeVariables();
  vsVm_setVmId(vmId);
  if (reset != 0) {
    vsTraceLog_trace("ERROR: VM variable initialization.\n");
    return reset;
  }
  gHostHandler = handler == nullptr ? 0 : vsWord_fromPointer(reinterpret_cast<const void*>(handler));
  vsTraceLog_trace("===> vsVmStartMIDP\n");
  vsTraceLog_trace("vmId:%d\n", vmId);
  vsTraceLog_trace("heapAddr:0x%x\n", heapAddr == nullptr ? 0u : vsWord_fromPointer(heapAddr));
  vsTraceLog_trace("heapSize:%d\n", heapSize);
  vsTraceLog_trace("EventHandler:%x\n", VmWord{gHostHandler});
  vsTraceLog_trace("vmParamCount:%d\n", vmParamCount);
  // The host's parameter arrays need not lie in low memory: the trace shows
  // their addresses' low words.
  vsTraceLog_trace("vmParams:0x%x\n", static_cast<uint32_t>(reinterpret_cast<uintptr_t>(vmParams)));
  vsTraceLog_trace("vmParamLens:0x%x\n", static_cast<uint32_t>(reinterpret_cast<uintptr_t>(vmParamLens)));
  if (badRecord(vmId, heapSize, heapAddr, app) || vmParamCount < 0 || (vmParamCount > 0 && vmParams == nullptr) ||
      (vmParamCount > 0 && vmParamLens == nullptr))
    return -1;
  logRecord(app);
  probe(app->jarAddr.raw, app->jarRead, "jarRead()");
  probe(app->jadAddr.raw, app->jadRead, "jadRead()");

  // The class name at the heap's start.
  int32_t nameLength = app->classNameLen;
  if (app->className) {
    if (nameLength >= heapSize) return -10;
    std::memcpy(heapAddr, app->className.get(), static_cast<size_t>(nameLength));
    heapAddr[nameLength] = '\0';
  } else {
    nameLength = vsApp_chooseClassName(app, reinterpret_cast<char*>(heapAddr), heapSize);
    if (nameLength < 0) return nameLength;
  }
  int32_t used = rounded(nameLength);
  if (used > heapSize) return -10;
  VmPtr<const char> arguments[2] = {};
  arguments[0] = reinterpret_cast<const char*>(heapAddr);

  // The VM's parameters behind it: the host's pointer array at its own
  // alignment (8 bytes on a 64-bit host), then their copies.
  if (vmParamCount > 0) {
    const auto misalign = (reinterpret_cast<uintptr_t>(heapAddr) + static_cast<uintptr_t>(used)) % alignof(char*);
    if (misalign != 0) used += static_cast<int32_t>(alignof(char*) - misalign);
  }
  const auto pointerBytes = static_cast<int32_t>(sizeof(char*)) * vmParamCount;
  if (pointerBytes > heapSize - used) return -10;
  auto** params = reinterpret_cast<char**>(heapAddr + used);
  used += pointerBytes;
  for (int32_t i = 0; i < vmParamCount; ++i) {
    if (vmParams[i] == nullptr || vmParamLens[i] < 1) return -1;
    const int32_t bytes = rounded(vmParamLens[i]);
    if (bytes > heapSize - used) return -10;
    char* copy = reinterpret_cast<char*>(heapAddr + used);
    std::memcpy(copy, vmParams[i], static_cast<size_t>(vmParamLens[i]));
    copy[vmParamLens[i]] = '\0';
    params[i] = copy;
    used += bytes;
  }

  VmStartParams start = {};
  start.mainClass = kMidletClass;
  start.arguments = arguments;
  start.jarSize = static_cast<uint32_t>(app->jarSize);
  start.jarAddress = app->jarAddr;
  start.jarReader = app->jarRead;
  start.memorySize = static_cast<uint32_t>(heapSize - used);
  start.memoryAddress = vsWord_fromPointer(heapAddr + used);
  vsVm_setTrustedFlag(app->trusted);

  vsVm_setVmId(vmId);
  vsVmState_setStopRequested(0);
  vsVmState_updateMask(kVsStateMaskStartClear, 0);
  VsLaunchSource jar = {app->jarSize, app->jarAddr, app->jarRead};
  VsLaunchSource jad = {app->jadSize, app->jadAddr, app->jadRead};
  int32_t argc = vmParamCount;
  VsTckAgent agent = {};
  if (const VsTckInfo* info = app->tckInfo.get()) {
    const int32_t setUp =
        vsTck_setUp(&agent, app, &argc, params, heapSize - used, heapAddr + used, arguments[0].get());
    if (setUp < 0) return -9;
    if (setUp == 0 || !usableTestParameters(info)) return -1;
    if (info->preloaded == 0) {
      vsTck_setKeys(&agent);
      if (vsTck_fetchAll(&agent) < 0) return 0;
      arguments[0] = agent.classNameBuffer.get();
      jar = {agent.jarLength, VmPtr<const uint8_t>{agent.jarBuffer.raw}, 0};
      jad = {agent.descriptorLength, VmPtr<const uint8_t>{agent.descriptorBuffer.raw}, 0};
    } else {
      if (const int32_t kept = takeTestJar(&agent, app, heapAddr, heapSize, &used); kept < 0) return kept;
      agent.descriptorBuffer.raw = app->jadAddr.raw;
      agent.descriptorLength = app->jadSize;
      agent.classNameBuffer = reinterpret_cast<char*>(heapAddr);
      agent.classNameSize = nameLength;
      start.jarSize = static_cast<uint32_t>(info->jarLength);
      start.jarAddress.raw = info->jarBuffer.raw;
      start.jarReader = 0;
      start.memorySize = static_cast<uint32_t>(heapSize - used);
      start.memoryAddress = vsWord_fromPointer(heapAddr + used);
      arguments[0] = info->classNameBuffer.get();
      jar = {info->jarLength, VmPtr<const uint8_t>{info->jarBuffer.raw}, 0};
      jad = {info->descriptorLength, VmPtr<const uint8_t>{info->descriptorBuffer.raw}, 0};
    }
    start.testHarness = reinterpret_cast<const VmWord*>(&agent);
    if (agent.kind == kVsTckKindCldc) {
      start.mainClass = kCldcAgentClass;
      start.arguments.raw = 0;
    }
  }

  if (vsVmState_exchangeStarted(1) == 1) return -108;
  vsLaunch_setRecord(jar, jad);
  gWake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (gWake == nullptr) {
    vsVmState_setStarted(0);
    vsTraceLog_trace("ERROR: no wake object.\n");
    return -1;
  }
  vsVmCallback_registerFunction();
  int32_t status = vsVm_run(vmId, &start, argc, params, adapter);
  vsTraceLog_trace("core exit status: %d\n", status);
  status = app->tckInfo ? kTestRunResult : normalise(status);
  if (vsVmState_getTerminateRequested() == 1) {
    status = kTerminatedResult;
    vsVmState_setTerminateRequested(0);
  }
  vsVmState_setStarted(0);
  CloseHandle(gWake);
  gWake = nullptr;
  return status;
}

int32_t OamsVmStartMIDP(int32_t vmId, int32_t heapSize, uint8_t* heapAddr, const JKT_MIDP_Application* app,
                        VmEventHandler handler, int32_t vmParamCount, const char* const* vmParams,
                        const int32_t* vmParamLens) {
  return vsVmStartMIDP(vmId, heapSize, heapAddr, app, handler, vmParamCount, vmParams, vmParamLens);
}

namespace {

// The checks of stop: 0, -1 or -2.
int32_t checkRunning(int32_t vmId) {
  if (vmId < 1) return -1;
  const int32_t current = vsVm_getVmId();
  if (vsVmState_getStarted() != 1 || current < 1 || current != vmId) return -2;
  return 0;
}

// Clears the suspended word and wakes the adapter's wait.
void wake() {
  vsVmState_setSuspended(0);
  if (HANDLE wake = gWake; wake != nullptr) SetEvent(wake);
}

}  // namespace

int32_t OamsVmStop(int32_t vmId) {
  if (const int32_t check = checkRunning(vmId); check != 0) return check;
  if (vsVmState_getSuspended() != 0) {
    vsK6Event_postResumeEvent(0);
    wake();
  }
  vsVmState_setAppPaused(0);
  vsK6Event_postMidletStateEvent(7);
  vsVmState_setStopRequested(1);
  vsVmState_updateMask(kVsStateMaskStop, 1);
  vsK6Event_postStopEvent(0);
  return 0;
}

int32_t OamsVmSuspend(int32_t vmId) {
  if (const int32_t check = checkRunning(vmId); check != 0) return -2;
  if (vsVmState_getSuspended() != 0) return -2;
  if (vsVmState_getSelectorUsed() != 0) vsVmState_setResumeEventOwed(1);
  vsVmState_updateMask(kVsStateMaskSuspend, 1);
  vsK6Event_postSuspendEvent(0);
  return 0;
}

int32_t OamsVmResume(int32_t vmId) {
  if (checkRunning(vmId) != 0 || vsVmState_getSuspended() == 0) return -2;
  vsVmState_updateMask(kVsStateMaskPause | kVsStateMaskSuspend, 0);
  vsK6Event_postResumeEvent(0);
  wake();
  if (vsVmState_getAppPaused() == 1) {
    vsVmState_setAppPaused(0);
    vsK6Event_postMidletStateEvent(100);
  } else if (vsVmState_getResumeEventOwed() != 0) {
    vsK6Event_postMidletStateEvent(100);
  }
  return 0;
}

int32_t OamsVmTerminate(int32_t vmId) {
  if (const int32_t check = checkRunning(vmId); check != 0) return check;
  vsVmState_setStarted(0);
  vsVmState_setTerminateRequested(1);
  wake();
  vsVmState_updateMask(kVsStateMaskTerminate, 1);
  vsVmState_setAppPaused(0);
  vsK6Event_postStopEvent(0);
  return 0;
}

int32_t OamsVmPause(int32_t vmId) {
  if (const int32_t check = checkRunning(vmId); check != 0) return check;
  if (vsVmState_getAppPaused() == 1) return -2;
  vsVmState_updateMask(kVsStateMaskPause, 1);
  vsK6Event_postMidletStateEvent(103);
  return 0;
}
