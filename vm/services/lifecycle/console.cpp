// Console and print glue (see console.h).
#include "vm/services/lifecycle/console.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "port/device.h"
#include "vm/services/memory/trace_log.h"

namespace {

struct ConsoleState {
  int32_t consoleOutput;
  uint8_t printingStackTrace;
};

// Console output starts every run on.
VS_VMDATA(ConsoleState) gConsole = {1, 0};

}  // namespace

void vsSys_printString(const char* text) {
  if (gConsole.printingStackTrace != 0)
    vsSys_consoleWrite(text, static_cast<int32_t>(std::strlen(text)));
  else
    vsTraceLog_putString(text);
}

void vsSys_consoleWrite(const char* bytes, int32_t n) {
  if (gConsole.consoleOutput == 0)
    return;
  for (int32_t i = 0; i < n; ++i)
    JkDebugPutChar(static_cast<uint8_t>(bytes[i]));
}

void vsSys_setConsoleOutput(int32_t on) { gConsole.consoleOutput = on; }

void vsSys_setPrintingStackTrace(int32_t on) { gConsole.printingStackTrace = on != 0 ? 1 : 0; }
