// The start of one MIDP application (see midp_start.h).
#include "vm/services/lifecycle/midp_start.h"

#include <atomic>
#include <cstring>
#include <initializer_list>

#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/core/wait.h"
#include "ce/substrate/vm_sections.h"
#include "vm/core/startup/vm_run.h"
#include "vm/core/startup/vm_variables.h"
#include "vm/services/descriptor/descriptor.h"
#include "vm/services/descriptor/descriptor_env.h"
#include "vm/services/events/event_posters.h"
#include "vm/services/lifecycle/lifecycle_state.h"
#include "vm/services/lifecycle/vm_callback.h"
#include "vm/services/memory/trace_log.h"

namespace {

constexpr char kMidletClass[] = "javax.microedition.midlet.MIDlet";
constexpr char kSelectorClass[] = "javax.microedition.midlet.MidletSelector";
constexpr int32_t kNameArea = 1024;
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

// The third comma-separated field of value, blanks trimmed; false when
// there is none or it is empty.
bool thirdField(const char* value, int32_t length, const char** field, int32_t* fieldLength) {
  int32_t start = 0;
  for (int32_t commas = 0; commas < 2; ++start) {
    if (start >= length) return false;
    if (value[start] == ',') ++commas;
  }
  int32_t end = length;
  while (start < end && (value[start] == ' ' || value[start] == '\t')) ++start;
  while (end > start && (value[end - 1] == ' ' || value[end - 1] == '\t')) --end;
  *field = value + start;
  *fieldLength = end - start;
  return end > start;
}

// The class named by the merged descriptors, written NUL-terminated into
// the first 1024 bytes of the heap: its length, -10 or -1.
int32_t chooseClassName(uint8_t* heap, int32_t heapSize, const JKT_MIDP_Application* app) {
  if (heapSize <= kNameArea) return -10;
  int32_t error = 0;
  const OamsHandle env = OamsEnvInitialize(heapSize - kNameArea, heap + kNameArea, &error);
  if (env == -1) return -1;
  const auto jarReader = reinterpret_cast<VsDescriptorReadCallback>(vsLaunch_reader(app->jarRead));
  const auto jadReader = reinterpret_cast<VsDescriptorReadCallback>(vsLaunch_reader(app->jadRead));
  const OamsHandle jar = OamsJarOpen(env, app->jarSize, app->jarAddr.get(), jarReader, &error);
  const OamsHandle manifest = jar == -1 ? -1 : OamsManifestOpen(env, jar, &error);
  const OamsHandle jad =
      app->jadSize < 1 ? -1 : OamsJadOpen(env, app->jadSize, app->jadAddr.get(), jadReader, &error);
  const OamsHandle merged = jad != -1 && manifest != -1 ? OamsDescriptorMerge(env, jad, manifest, &error) : -1;
  const OamsHandle descriptor = merged != -1 ? merged : jad != -1 ? jad : manifest;

  const char* name = kSelectorClass;
  int32_t length = static_cast<int32_t>(sizeof kSelectorClass - 1);
  int32_t valueLength = 0;
  if (descriptor != -1 && OamsDescriptorGetValueByKey(env, descriptor, "MIDlet-2", 8, &valueLength, &error) == nullptr) {
    const char* first = OamsDescriptorGetValueByKey(env, descriptor, "MIDlet-1", 8, &valueLength, &error);
    const char* field = nullptr;
    int32_t fieldLength = 0;
    if (first != nullptr && thirdField(first, valueLength, &field, &fieldLength)) {
      name = field;
      length = fieldLength;
    }
  }
  int32_t result = length < kNameArea ? length : -10;
  if (result > 0) {
    // The name may lie in the work area: keep it before the area goes.
    std::memmove(heap, name, static_cast<size_t>(length));
    heap[length] = '\0';
  }
  for (const OamsHandle d : {merged, jad, manifest})
    if (d != -1) OamsDescriptorClose(env, d);
  if (jar != -1) OamsJarClose(env, jar);
  OamsEnvFinalize(env);
  return result < 1 && result != -10 ? -1 : result;
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
  vsTraceLog_trace("vmParams:0x%x\n", vmParams == nullptr ? 0u : vsWord_fromPointer(vmParams));
  vsTraceLog_trace("vmParamLens:0x%x\n", vmParamLens == nullptr ? 0u : vsWord_fromPointer(vmParamLens));
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
    nameLength = chooseClassName(heapAddr, heapSize, app);
    if (nameLength < 0) return nameLength;
  }
  int32_t used = rounded(nameLength);
  if (used > heapSize) return -10;
  VmPtr<const char> arguments[2] = {};
  arguments[0] = reinterpret_cast<const char*>(heapAddr);

  // The VM's parameters behind it.
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
  if (app->tckInfo != 0) {
    // The compatibility-test agent is not part of this build.
    vsTraceLog_trace("ERROR: no test agent.\n");
    return -9;
  }

  if (vsVmState_exchangeStarted(1) == 1) return -108;
  vsLaunch_setRecord(app);
  gWake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (gWake == nullptr) {
    vsVmState_setStarted(0);
    vsTraceLog_trace("ERROR: no wake object.\n");
    return -1;
  }
  vsVmCallback_registerFunction();
  int32_t status = vsVm_run(vmId, &start, vmParamCount, params, adapter);
  vsTraceLog_trace("core exit status: %d\n", status);
  status = normalise(status);
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
