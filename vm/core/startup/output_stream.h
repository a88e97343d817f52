// Output streams and the VM's log stream.
//
// A stream has one operation: print a NUL-terminated text. The log stream
// prints through the system's print function (to the trace output, or to
// the console while a stack trace is printed). It has no state, so it is a
// read-only object that exists from program start: "creating" it on first
// use is nothing more than asking for it.
//
// printLine formats into 256 bytes (a longer result is cut to its first 255
// characters), prints that and then "\n".
#pragma once

#include "vm/core/startup/printf.h"

class VsOutputStream {
 public:
  virtual void printString(const char* text) const = 0;

 protected:
  constexpr VsOutputStream() = default;
  ~VsOutputStream() = default;
};

const VsOutputStream* vsOutputStream_log();
// The console (System.out's destination while console output is on): the
// launcher's reports of the image and the start print there.
const VsOutputStream* vsOutputStream_console();

void vsOutputStream_printLine(const VsOutputStream* stream, const char* format, ...)
    VS_PRINTF_FORMAT(2, 3);
void vsOutputStream_print(const VsOutputStream* stream, const char* format, ...)
    VS_PRINTF_FORMAT(2, 3);
