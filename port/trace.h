// The host's trace printer used by the porting functions.
//
// TracePrintfA formats with the C library's printf into 256 bytes (longer
// output is cut, always terminated) and writes it to the trace output.
// Programs that run the VM link the host's definition; test programs and
// launchers link the test port (tools/testport) instead.
#pragma once

void TracePrintfA(const char* format, ...) __attribute__((format(printf, 1, 2)));
