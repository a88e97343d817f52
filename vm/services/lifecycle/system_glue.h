// Exit jump and hooks that the VM core calls by fixed names.
//
// vsSys_exit stores an exit code and leaves through the VM's innermost exit
// point. The hooks are this system's answers to the core's questions: the
// start-up message hook prints nothing (no usage text), "-D" properties are
// not kept, and there is no environment.
#pragma once

#include <cstdint>

#include "vm/core/startup/service_hooks.h"

[[noreturn]] void vsSys_exit(int32_t code);
// The natives' hooks (declared for the core in vm/core/natives/native_hooks.h):
// vsSys_abort ends the VM with the status through vsVm_exit; Runtime.exit
// is never allowed; a property's value is vsProperty_getUtf8's, and freeing
// one does nothing.
[[noreturn]] void vsSys_abort(int32_t status);
int32_t vsSys_allowRuntimeExit();
const char* vsSys_getProperty(const char* key);
void vsSys_freeProperty(const char* value);

// Start-up and option-parser messages ("class not specified", the usage
// request of "-help" with no text): nothing is printed.
void vsSys_printMessage(const char* text);

// A "-D" property definition: ignored.
void vsSys_defineProperty(const char* name, const char* value);

// An environment value ("classpath", "CLASSPATH"): always absent (null).
const char* vsSys_getEnv(const char* name);

// An exception that no handler caught, told to the platform as its class
// name's characters, and as a word: this system keeps no report.
void vsSys_reportUncaughtException(const uint16_t* chars, int32_t length);
void vsSys_reportUncaughtValue(uint32_t value);

// vsSys_beforeShutdown (service_hooks.h): nothing.

// The brackets of a native call while native calls are traced: nothing
// (this system keeps no such trace).
void vsOs_nativeCallBegin();
void vsOs_nativeCallEnd();

// The priority-scheduling byte (0 at each start): while it is 0 the class
// library runs every thread at NORM_PRIORITY.
int32_t vsSys_isPrioritySchedule();
void vsSys_setPrioritySchedule(int32_t on);
