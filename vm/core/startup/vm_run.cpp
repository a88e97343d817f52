// One run of a Java application (see vm_run.h).
#include "vm/core/startup/vm_run.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "vm/core/image/image_format.h"
#include "vm/core/natives/native_roots.h"
#include "vm/core/startup/core_start.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/memory_split.h"
#include "vm/core/startup/options.h"
#include "vm/core/startup/service_hooks.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/threads/scheduler.h"
#include "vm/services/lifecycle/system_glue.h"
#include "vm/services/memory/handle_table.h"
#include "vm/services/memory/memory_service.h"
#include "vm/services/memory/trace_log.h"

namespace {

constexpr char kAppJar[] = "/app.jar";
constexpr char kTckJar[] = "/tck.jar";
constexpr char kNativeMemoryOption[] = "-native_memory";
constexpr int32_t kInterpretationLogSize = 16;
constexpr int32_t kMaxMethodToCompile = 6000;
constexpr int32_t kMinMethodToCompile = 0;

struct RunState {
  VmPtr<const VmStartParams> params;
  char className[kVsVm_maxClassName + 1];
  char classPath[kVsOptions_maxClassPath + 1];
  VmPtr<const char> arguments[kVsVm_maxArguments + 1];
  int32_t argumentCount;
};

VS_VMBSS(RunState) gRun = {};
VS_VMBSS(VmInspection) gInspection = VmInspection::None;

bool hasImage() { return vsImage_descriptor.header != 0; }

// Leaves nothing of the run behind (see vm_run.h), unless a slave VM lives
// on: its threads still read the archives.
void endRun(VmExitPoint* outer) {
  if (vsScheduler.slaveAlive == 0) vsVm_clearRun();
  vsExitPoint_remove(outer);
}

bool registerJars(const VmStartParams* params) {
  const auto reader = reinterpret_cast<VsMemFileReader>(static_cast<uintptr_t>(params->jarReader));
  int32_t id = vsMemFile_register(kAppJar, params->jarAddress.get(), reader, params->jarSize);
  if (id < 0) {
    vsTraceLog_error("Error: can't set APP_JAR to vsMemStream %d.\n", id);
    return false;
  }
  if (const VmWord* harness = params->testHarness.get()) {
    id = vsMemFile_register(kTckJar, vsWord_toPointer<const uint8_t>(harness[kVsVm_harnessJarAddress]),
                            nullptr, harness[kVsVm_harnessJarSize]);
    if (id < 0) {
      vsTraceLog_error("Error: can't set TCK_JAR to vsMemStream %d.\n", id);
      return false;
    }
  }
  return true;
}

bool parseOptions(int32_t argc, char** argv) {
  for (int32_t i = 0; i < argc;) {
    if (std::strcmp(argv[i], kNativeMemoryOption) == 0 && i + 1 < argc) {
      int32_t ratio = 0;
      vsOptions_readDecimal(argv[i + 1], &ratio);
      vsVmState().nativeMemoryRatio = static_cast<uint32_t>(ratio);
      i += 2;
      continue;
    }
    const int32_t used = vsOptions_parse(argc - i, argv + i);
    if (used <= 0) {
      vsTraceLog_error("Error: unknown argument %s.\n", argv[i]);
      return false;
    }
    i += used;
  }
  return true;
}

bool collectArguments(const VmStartParams* params) {
  gRun.argumentCount = 0;
  const VmPtr<const char>* extra = params->arguments.get();
  if (extra == nullptr)
    return true;
  for (; extra->raw != 0; ++extra) {
    if (gRun.argumentCount == kVsVm_maxArguments)
      return false;
    gRun.arguments[gRun.argumentCount++] = *extra;
  }
  return true;
}

// The memory service without handle tables, and the temporary-root table
// (50 slots) in its memory.
bool initializeTempRoots() {
  vsMemory_resetHandleTables();
  auto* table = static_cast<TempRoots*>(vsMemory_allocPointer(kTempRootTableBytes));
  if (table == nullptr) {
    vsTraceLog_trace("Failed to initialize temporary roots.\n");
    return false;
  }
  vsNativeMethod_registerTempRoots(kTempRootSlots, table, reinterpret_cast<VmRef*>(table + 1));
  return true;
}

bool setCompilerOptions() {
  if (vsJVM_setInterpretationLogSize(kInterpretationLogSize) != 0) {
    vsTraceLog_trace("vsJVM_setInterpretationLogSize() failed.\n");
    return false;
  }
  char option[48];
  vsPrintf_snprintf(option, sizeof option, "=CompilationAbstinenceTicks%d", 0);
  char* optionArgs[] = {option};
  if (vsOptions_parse(1, optionArgs) != 1) {
    vsTraceLog_trace("CompilationAbstinenceTicks could not be set.\n");
    return false;
  }
  if (vsJVM_setMaxMethodToCompile(kMaxMethodToCompile) != 0) {
    vsTraceLog_trace("vsJVM_setMaxMethodToCompile() failed.\n");
    return false;
  }
  if (vsJVM_setMinMethodToCompile(kMinMethodToCompile) != 0) {
    vsTraceLog_trace("vsJVM_setMinMethodToCompile() failed.\n");
    return false;
  }
  return true;
}

// An agent of kind 0 reaches its test server through the test socket class.
bool registerTestSocketProtocol(const VmStartParams* params) {
  const VmWord* harness = params->testHarness.get();
  if (harness == nullptr || harness[kVsVm_harnessAgentKind] != 0) return true;
  const int32_t result = vsTck_registerSocketProtocol();
  if (result < 0) {
    vsTraceLog_error("Error: can't set GCF for TCK %d.\n", result);
    return false;
  }
  return true;
}

// The VM main inside the inner exit point.
int32_t runMain() {
  VmStateWords& s = vsVmState();
  VmExitPoint inner;
  if (setjmp(inner.buffer) != 0) {
    vsExitPoint_remove(&inner);
    s.insideMain = 0;
    return s.exitCode;
  }
  vsExitPoint_push(&inner);
  s.insideMain = 1;
  const int32_t status = kvm_main(gRun.classPath, gRun.className, gRun.argumentCount, gRun.arguments);
  s.insideMain = 0;
  vsExitPoint_remove(&inner);
  return status;
}

// Steps 2 to 16 of the run: the exit status, or -1 on a start failure.
int32_t startAndRun(int32_t vmId, const VmStartParams* params, int32_t argc, char** argv,
                    VmEventHandler handler) {
  VmStateWords& s = vsVmState();
  vsNativeStack_initialize();
  s.running = 1;
  gRun.params = params;
  s.vmId = vmId;
  vsVm_setEventHandler(handler);

  const char* name = params->mainClass.get();
  if (name == nullptr) {
    vsTraceLog_error("Error: Application class name is NULL.\n");
    return -1;
  }
  const size_t nameLength = strnlen(name, kVsVm_maxClassName);
  std::memcpy(gRun.className, name, nameLength);
  gRun.className[nameLength] = '\0';

  if (!registerJars(params))
    return -1;
  std::strcpy(gRun.classPath, params->testHarness ? "/tck.jar;/app.jar" : kAppJar);

  if (!parseOptions(argc, argv) || !collectArguments(params))
    return -1;
  vsOptions_clearClassPath();

  VmHeapArea heapArea;
  if (!vsVm_splitMemory(params->memoryAddress, params->memorySize, s.nativeMemoryRatio, &heapArea))
    return -1;
  // The class image's sizes join the heap size when the image exists.
  const uint32_t readOnlySize = hasImage() ? vsImage_descriptor.readOnlySize : 0;
  const uint32_t writableSize = hasImage() ? vsImage_descriptor.writableSize : 0;
  if (vsVm_sizeHeap(heapArea, readOnlySize, writableSize) != 0) {
    vsTraceLog_trace("Java heap size is too small to start VM.\n");
    return -1;
  }
  if (!initializeTempRoots() || !setCompilerOptions() || !registerTestSocketProtocol(params))
    return -1;
  vsK6Event_initialize();

  const int32_t status = runMain();
  vsTraceLog_trace("kvm_main return code = %d\n", status);
  // The run has ended, unless a slave VM lives on: the hooks and the host
  // hear the VM stopped while the running word is still set.
  if (vsScheduler.slaveAlive == 0) {
    s.vmActive = 0;
    vsVmCallback_vmStopped(status);
  }
  return status;
}

}  // namespace

void vsVm_clearRun() {
  VmStateWords& s = vsVmState();
  s.running = 0;
  s.suspending = 0;
  s.vmActive = 0;
  s.insideMain = 0;
  vsMemFile_unregister(kAppJar, 0);
  vsMemFile_unregister(kTckJar, 0);
}

void vsVm_setInspection(VmInspection what) { gInspection = what; }

void vsVm_printBanner() {
  vsTraceLog_trace("Vostel_VM Copyright (C) 2004-2005\n");
  vsTraceLog_trace(" build date : %s\n", "2005-07-04_12:44");
}

int32_t vsVm_run(int32_t vmId, const VmStartParams* params, int32_t argc, char** argv,
                 VmEventHandler handler) {
  VmExitPoint outer;
  if (setjmp(outer.buffer) != 0) {
    endRun(&outer);
    return vsVmState().exitCode;
  }
  vsExitPoint_push(&outer);
  const int32_t status = startAndRun(vmId, params, argc, argv, handler);
  endRun(&outer);
  return status;
}

int32_t kvm_main(const char* classPath, const char* className, int32_t argc,
                 const VmPtr<const char>* argv) {
  VmStateWords& s = vsVmState();
  const bool verifyOnly = vsVmFlags().VerifyOnly != 0;
  if (classPath == nullptr)
    classPath = vsOptions_classPath();
  if (classPath == nullptr)
    classPath = vsSys_getEnv("classpath");
  if (classPath == nullptr)
    classPath = vsSys_getEnv("CLASSPATH");
  if (classPath == nullptr)
    classPath = ".";
  if (className == nullptr && !verifyOnly) {
    if (argc < 1) {
      vsSys_printMessage("class not specified");
      vsVm_exitAfterShutdown(1);
    }
    className = argv[0].get();
    ++argv;
    --argc;
  }
  if (!hasImage()) {
    // Step 3 cannot start the core.
    vsTraceLog_error("Error: no class image in this build.\n");
    s.exitCode = verifyOnly ? -2 : -1;
    vsVm_shutdown();
    return s.exitCode;
  }
  return vsCore_main(&vsImage_descriptor, classPath, className, argc, argv, gInspection);
}
