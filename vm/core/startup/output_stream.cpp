// Output streams (see output_stream.h).
#include "vm/core/startup/output_stream.h"

#include <cstdarg>

#include "vm/services/lifecycle/console.h"

namespace {

constexpr int32_t kLineBytes = 256;

class LogStream final : public VsOutputStream {
 public:
  constexpr LogStream() = default;
  void printString(const char* text) const override { vsSys_printString(text); }
};

constinit const LogStream kLogStream;

void printFormatted(const VsOutputStream* stream, const char* format, va_list args)
    VS_PRINTF_FORMAT(2, 0);

void printFormatted(const VsOutputStream* stream, const char* format, va_list args) {
  char line[kLineBytes];
  vsPrintf_vsnprintf(line, kLineBytes, format, args);
  stream->printString(line);
}

}  // namespace

const VsOutputStream* vsOutputStream_log() { return &kLogStream; }

void vsOutputStream_printLine(const VsOutputStream* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  printFormatted(stream, format, args);
  va_end(args);
  stream->printString("\n");
}

void vsOutputStream_print(const VsOutputStream* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  printFormatted(stream, format, args);
  va_end(args);
}
