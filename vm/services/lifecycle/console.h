// Console and print glue of the VM.
//
// vsSys_printString is the system's print function behind the VM's log
// stream: while a stack trace is being printed (Throwable.printStackTrace)
// the text goes to the console, otherwise to the trace log. The console
// (System.out) writes through the host's JkDebugPutChar, and only while
// console output is on. Both flags are VM variables: console output is on
// and the stack-trace flag off at every run's start.
#pragma once

#include <cstdint>

void vsSys_printString(const char* text);

// Writes n bytes to the console when console output is on.
void vsSys_consoleWrite(const char* bytes, int32_t n);

void vsSys_setConsoleOutput(int32_t on);

// Set while Throwable.printStackTrace runs.
void vsSys_setPrintingStackTrace(int32_t on);
