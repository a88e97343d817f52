// Output streams (see output_stream.h).
#include "vm/core/startup/output_stream.h"

#include <cstdarg>
#include <cstring>

#include "vm/services/lifecycle/console.h"

namespace {

constexpr int32_t kLineBytes = 256;

class LogStream final : public VsOutputStream {
 public:
  constexpr LogStream() = default;
  void printString(const char* text) const override { vsSys_printString(text); }
};

constinit const LogStream kLogStream;

class ConsoleStream final : public VsOutputStream {
 public:
  constexpr ConsoleStream() = default;
  void printString(const char* text) const override {
    vsSys_consoleWrite(text, static_cast<int32_t>(std::strlen(text)));
  }
};

constinit const ConsoleStream kConsoleStream;

void printFormatted(const VsOutputStream* stream, const char* format, va_list args)
    VS_PRINTF_FORMAT(2, 0);

void printFormatted(const VsOutputStream* stream, const char* format, va_list args) {
  char line[kLineBytes];
  vsPrintf_vsnprintf(line, kLineBytes, format, args);
  stream->printString(line);
}

}  // namespace

const VsOutputStream* vsOutputStream_log() { return &kLogStream; }

const VsOutputStream* vsOutputStream_console() { return &kConsoleStream; }

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
