// The test port: the host output functions for tests and launchers.
//
// Defines JkConsolePutChar and TracePrintfA (the trace: standard error) and
// JkDebugPutChar (the console: standard output), so differential tests can
// compare standard output alone. JkPropertyGetString answers the host's
// seven keys: "microedition.locale" "en-US", "microedition.media.version"
// "1.1", "microedition.jtwi.version" "1.0", and "false" for
// "supports.mixing", "supports.audio.capture", "supports.video.capture" and
// "supports.recording", after the pairs a launcher set
// (vsTestPort_setProperty, UTF-8 in, asked first). A unit below 0x100 is written as one byte,
// any other as UTF-8. Linked into tests and vmrun, never into a product.
//
// Device stand-ins (test_port_device.cpp), each writing one trace line
// naming itself and its arguments: JkDeviceInitInstructionCache does
// nothing more; JkRandomAccessFileClose records the handle;
// JkDeviceNotifyAppInactive and JkSoftkeyResetLabels do nothing more;
// JkDeviceStopVibration and JkDeviceStopBacklightFlash answer 1;
// JkPlatformRequest answers 1 for a null url, 2 for an "http:" or "tel:"
// url (letter case ignored) of 1 to 256 units, else 0, and writes the url
// (its units below 0x80, '?' for the others) in its line.
//
// Options (test_port_option.cpp): JkOptionGetString answers the pairs a
// launcher set with vsTestPort_setOption and nothing else, writing the
// trace line "JkOptionGetString(KEY, UNITS) -> ANSWER-UNITS or -1".
// Sockets (test_port_socket.cpp): both getMaxConnections give 6;
// JkSocketClose and JkSecureSocketClose give 0 and write "JkSocketClose(H)"
// or "JkSecureSocketClose(H)".
//
// A test can capture both streams instead of writing them:
//   vsTestPort_startCapture(); ...; TestPortCapture c = vsTestPort_stopCapture();
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TestPortCapture {
  std::string trace;    // what JkConsolePutChar and TracePrintfA wrote
  std::string console;  // what JkDebugPutChar wrote
};

void vsTestPort_startCapture();
TestPortCapture vsTestPort_stopCapture();

// A system property that JkPropertyGetString answers before the host's
// (launchers, before the VM starts).
void vsTestPort_setProperty(const std::string& key, const std::string& value);

// The handles JkRandomAccessFileClose got since the last call, in order.
std::vector<int32_t> vsTestPort_takeClosedFiles();

// Sets the answer of JkOptionGetString for a key (both UTF-8); clearing
// forgets every pair.
void vsTestPort_setOption(const char* key, const char* value);
void vsTestPort_clearOptions();
