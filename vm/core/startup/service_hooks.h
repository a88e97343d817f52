// The calls the start-up layer makes up into the services: the event
// system's start and reset, the registries' reset, the test socket
// protocol, the native stack limit, the parts' start,
// instruction-cache support and the before-shutdown hook.
//
// They are declared here, in the layer that calls them, so that no start-up
// file includes a service header; vm/services defines them, and the
// services' own headers include this one, so a declaration and its
// definition cannot part.
#pragma once

#include <cstdint>

// Creates the event system's tables for the run and registers its re-entry
// handler (vm/services/events/event_queue.h); failures stop the VM.
void vsK6Event_initialize();
// The event system's part of the variables' reset before each run: no
// pending internal events, no key queue, no connection queues.
void vsK6Event_resetState();

// Records the native stack limit: 8192 bytes below the caller's stack
// position (vm/services/lifecycle/native_stack.h).
void vsNativeStack_initialize();

// The connection framework's part of the variables' reset before each run:
// no protocols, no URL checker, the built-in internal packages alone, no
// system-package lists (vm/services/connection/).
void vsConnection_resetRegistries();

// A compatibility-test run of an agent of kind 0: maps the scheme "socket"
// to the socket-over-HTTP test class; the protocol registry's result (0, or
// -1 with its log line).
inline constexpr char kVsTck_socketProtocolClass[] = "com.vostel.tck.socket2http.Protocol";
int32_t vsTck_registerSocketProtocol();

// Starts the built-in parts after the core start (parts_initializer.h):
// 0, or leaves through the exit point with the parts' error code.
int32_t vsParts_Initializer();

// Instruction-cache support for the run: started before the core, ended
// by shutdown (instruction_cache.h).
void vsOs_initializeICache();
void vsOs_finalizeICache();

// The first step of shutdown: nothing in this system.
void vsSys_beforeShutdown();

// Lifecycle reports of the services (vm/services/lifecycle/vm_callback.h):
// the hooks and the host's handler when the VM has started (the parts'
// start), is suspended or resumed (vsVm_suspend, vsVm_resume) and has
// stopped with the exit code (the end of vsVm_run).
void vsVmCallback_vmStarted();
void vsVmCallback_vmSuspended();
void vsVmCallback_vmResumed();
void vsVmCallback_vmStopped(int32_t exitCode);
