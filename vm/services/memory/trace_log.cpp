// The services' trace log (see trace_log.h).
#include "vm/services/memory/trace_log.h"

#include <cstdarg>

#include "ce/substrate/vm_sections.h"
#include "port/device.h"

namespace {

VS_VMDATA(int32_t) gLevel = kVsTraceLog_trace;

int32_t printAt(int32_t minimum, const char* format, va_list args) {
  if (format == nullptr || gLevel < minimum)
    return -1;
  return vsPrintf_vcount(format, args);
}

// The body of each leveled function: its arguments printed from `minimum` on.
#define VS_TRACE_LOG_BODY(minimum)                  \
  va_list args;                                     \
  va_start(args, format);                           \
  const int32_t n = printAt(minimum, format, args); \
  va_end(args);                                     \
  return n

}  // namespace

int32_t vsTraceLog_setLogLevel(int32_t level) {
  if (level < 4) {
    gLevel = level;
  } else {
    vsTraceLog_warning("vsTraceLog: setLogLevel: Illegal argument\n");
    gLevel = kVsTraceLog_trace;
  }
  return gLevel;
}

int32_t vsTraceLog_print(const char* format, ...) { VS_TRACE_LOG_BODY(INT32_MIN); }

int32_t vsTraceLog_printTagged(const char*, const char* format, ...) { VS_TRACE_LOG_BODY(INT32_MIN); }

int32_t vsTraceLog_error(const char* format, ...) { VS_TRACE_LOG_BODY(kVsTraceLog_error); }

int32_t vsTraceLog_warning(const char* format, ...) { VS_TRACE_LOG_BODY(kVsTraceLog_warning); }

int32_t vsTraceLog_trace(const char* format, ...) { VS_TRACE_LOG_BODY(kVsTraceLog_trace); }

int32_t vsTraceLog_putChar(char c) {
  return JkConsolePutChar(static_cast<uint8_t>(c)) == 0 ? 0 : -1;
}

int32_t vsTraceLog_putString(const char* text) {
  for (const char* p = text; *p != '\0'; ++p) {
    if (vsTraceLog_putChar(*p) != 0)
      return -1;
  }
  return 0;
}
