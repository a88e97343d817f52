// Exit jump and hooks that the VM core calls by fixed names.
//
// vsSys_exit stores an exit code and leaves through the VM's innermost exit
// point. The hooks are this system's answers to the core's questions: the
// start-up message hook prints nothing (no usage text), "-D" properties are
// not kept, and there is no environment.
#pragma once

#include <cstdint>

[[noreturn]] void vsSys_exit(int32_t code);

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

// The priority-scheduling byte (0 at each start): while it is 0 the class
// library runs every thread at NORM_PRIORITY.
int32_t vsSys_isPrioritySchedule();
void vsSys_setPrioritySchedule(int32_t on);
