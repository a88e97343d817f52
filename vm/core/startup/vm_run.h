// One run of a Java application on the VM thread.
//
// The caller (the MIDP start of the services, or vmrun) calls, in order:
// vsVm_printBanner, vsVm_initializeVariables, vsVm_setVmId, then vsVm_run,
// which returns when the application has ended:
//
//   vsVm_run: outer exit point -> main class name -> "/app.jar" (and
//     "/tck.jar") as memory files -> class path -> VM options -> application
//     arguments -> memory split -> heap size -> compiler options -> test
//     socket protocol (agent kind 0) -> inner exit point around kvm_main ->
//     VM stopped reported (hooks and host handler, vsVmCallback_vmStopped) ->
//     clean-up -> exit status
//
// The test socket protocol is registered once the memory service that holds
// the protocol registry's copies exists, and before the parts register
// theirs.
//
// Whichever way the run ends (its main returns, a start failure, or a jump
// to the outer exit point from "-version", "-help" or a fatal error), it
// leaves nothing behind: the running, suspending, VM-active and inside-main
// words are cleared and the memory files "/app.jar" and "/tck.jar" are gone.
// Except for a slave VM (SlaveMode) that main started: it lives on after
// vsVm_run, driven by the host (slave_mode.h), and its end clears them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/core/startup/core_start.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/lifecycle/mem_file.h"

// The start parameters: eight VM words. Strings, the argument array, the
// JAR bytes and the memory block lie in low memory.
struct VmStartParams {
  VmPtr<const char> mainClass;             // 0: at most 1024 characters are kept
  VmPtr<const VmPtr<const char>> arguments;  // 1: null-terminated, or null
  uint32_t jarSize;                        // 2
  VmPtr<const uint8_t> jarAddress;         // 3: or 0 with a reader
  VmWord jarReader;                        // 4: VsMemFileReader as a word
  uint32_t memorySize;                     // 5
  VmWord memoryAddress;                    // 6
  VmPtr<const VmWord> testHarness;         // 7: or null; words 6 and 7 give the test JAR
};
static_assert(sizeof(VmStartParams) == 32);
static_assert(offsetof(VmStartParams, jarSize) == 8 && offsetof(VmStartParams, jarReader) == 16 &&
              offsetof(VmStartParams, memoryAddress) == 24 &&
              offsetof(VmStartParams, testHarness) == 28);

constexpr int32_t kVsVm_maxArguments = 32;
constexpr size_t kVsVm_maxClassName = 1024;
// Test-harness words: the agent's kind (0: the test socket protocol is
// registered for the run) and the test JAR.
constexpr int32_t kVsVm_harnessAgentKind = 1;
constexpr int32_t kVsVm_harnessJarAddress = 6;
constexpr int32_t kVsVm_harnessJarSize = 7;

// What a launcher may ask to see in place of running main (vmrun's
// --check-image, --dump-image and --dump-start), printed on the log stream:
// the check of the loaded image (exit code 0 when it is sound, else 1) or
// its dump (exit code 0), both right after the core start; or the main
// thread and its pending calls once main is handed over (exit code 0). Set
// after the variable reset, before vsVm_run.
void vsVm_setInspection(VmInspection what);

// Clears the running, suspending, VM-active and inside-main words and
// unregisters "/app.jar" and "/tck.jar".
void vsVm_clearRun();

// Two trace lines: the VM's banner and its build date.
void vsVm_printBanner();

// The whole run: the exit status, -1 on a start failure. argv holds the VM's
// own arguments (host strings; the parser copies what it keeps).
int32_t vsVm_run(int32_t vmId, const VmStartParams* params, int32_t argc, char** argv,
                 VmEventHandler handler);

// The VM main: class path, main class, core start, main handed to the main
// thread, the report of a failure, slave mode's early return (0, without
// shutdown), shutdown; the exit code. Without an interpreter the run ends
// after the hand-over with exit code -1 and the trace line "Error: no
// interpreter in this build.". A program linked without a class image
// fails at the core start ("Error: no class image in this build.").
int32_t kvm_main(const char* classPath, const char* className, int32_t argc,
                 const VmPtr<const char>* argv);
