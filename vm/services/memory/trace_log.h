// The services' trace log: a level and leveled printf-style output.
//
// Levels: 0 none, 1 errors, 2 warnings, 3 trace. The level is a VM variable
// that starts every run at 3. Every function formats through the VM's printf
// engine straight to the trace output, which is the host's JkConsolePutChar.
#pragma once

#include <cstdint>

#include "vm/core/startup/printf.h"

constexpr int32_t kVsTraceLog_none = 0;
constexpr int32_t kVsTraceLog_error = 1;
constexpr int32_t kVsTraceLog_warning = 2;
constexpr int32_t kVsTraceLog_trace = 3;

// Values below 4 are taken; 4 or more warn and set 3. Returns the level in force.
int32_t vsTraceLog_setLogLevel(int32_t level);

// Each returns the printed length, or -1 for a null format or a level below
// the function's own.
int32_t vsTraceLog_print(const char* format, ...) VS_PRINTF_FORMAT(1, 2);
int32_t vsTraceLog_printTagged(const char* tag, const char* format, ...) VS_PRINTF_FORMAT(2, 3);
int32_t vsTraceLog_error(const char* format, ...) VS_PRINTF_FORMAT(1, 2);
int32_t vsTraceLog_warning(const char* format, ...) VS_PRINTF_FORMAT(1, 2);
int32_t vsTraceLog_trace(const char* format, ...) VS_PRINTF_FORMAT(1, 2);

// One character or a NUL-terminated text to the trace output: 0, or -1 when
// the output refused a character (putString stops there).
int32_t vsTraceLog_putChar(char c);
int32_t vsTraceLog_putString(const char* text);
