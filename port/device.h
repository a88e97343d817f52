// Device functions of the host that the VM writes its output through.
//
// JkConsolePutChar writes one UTF-16 unit (the low 16 bits of `unit`) to the
// trace output and returns 0; JkDebugPutChar writes one unit of console
// output (System.out) and returns the writer's result. Programs that run the
// VM link the host's definitions; test programs and launchers link the test
// port (tools/testport) instead.
#pragma once

#include <cstdint>

int32_t JkConsolePutChar(int32_t unit);
int32_t JkDebugPutChar(int32_t unit);

// Keeps the current process for later instruction-cache flushes.
void JkDeviceInitInstructionCache();

// Closes a native data file that the record and file natives opened.
void JkRandomAccessFileClose(int32_t handle);
