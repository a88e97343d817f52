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

// The application became inactive (paused or destroyed).
void JkDeviceNotifyAppInactive();
// Stop the vibration and the backlight flash: 1 when done.
int32_t JkDeviceStopVibration();
int32_t JkDeviceStopBacklightFlash();
// Restores the soft keys' labels of the device.
void JkSoftkeyResetLabels();
// A platform request of a MIDlet: url (UTF-16, count units) or null. 1 when
// a null url cancelled the pending request, 2 when an http or tel url of 1
// to 256 units was accepted as the pending request (performed after the
// MIDlet ends), 0 otherwise.
int32_t JkPlatformRequest(const uint16_t* url, int32_t count);
