// TracePrintfA of the host programs (declared in port/trace.h): formats
// with the CE runtime's printf into 256 characters (longer output is cut,
// always terminated) and writes it to the trace file. A file of its own, so
// programs that link the test port keep the test port's definition.
#include <cstdarg>

#include "ce/base/crt_printf.h"
#include "port/support/tracefile.h"
#include "port/trace.h"

void TracePrintfA(const char* format, ...) {
  char text[kTraceBoundedChars + 1];
  va_list args;
  va_start(args, format);
  _vsnprintf(text, kTraceBoundedChars, format, args);
  va_end(args);
  text[kTraceBoundedChars] = 0;
  TraceStringA(text);
}
