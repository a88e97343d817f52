// Trace front end: error reports of the storage library and the graphics code,
// each with its source position, written as one line to the process's trace log.
//
// A report is the sequence trace_isLevelOn -> trace_setLocation ->
// trace_format -> trace_emit; TRACE_REPORT spells it out at the call site with
// __FILE__, __func__ and __LINE__. The line reads "file(line)(function): text",
// or "<DEBUG>file(line)(function): text</DEBUG>" while the debug-tag flag is
// set; the file is reported by its base name, after the last "\" or "/".
//
// Each line goes to the process's trace file (port/support/tracefile.h),
// converted from the ANSI code page to UTF-16 and written with TraceWriteW;
// trace_dumpText writes through TracePrintfUnboundedW. While the trace file
// is closed nothing is written and a report costs the formatting only. A
// line writer installed with trace_setLineWriter (the tests' capture seam)
// receives the lines instead of the trace file.
//
// Invariants: the pending location and message persist until the next report
// overwrites them. Texts longer than the fixed buffers are cut. There is no
// lock: one thread reports at a time.
#pragma once

#include <cstdint>

// Receives each entry as UTF-8 text, line ends included.
using TraceLineWriter = void (*)(const char* text);

// Installs the writer; null (the start state) writes to the trace file.
void trace_setLineWriter(TraceLineWriter writer);
// Sets the debug-tag flag (starts clear).
void trace_setDebugTag(bool on);

bool trace_isLevelOn(int32_t level, const char* file, const char* function);
void trace_setLocation(const char* file, const char* function, int32_t line);
void trace_format(const char* format, ...) __attribute__((format(printf, 1, 2)));
void trace_emit();
void trace_formatAndEmit(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A formatted line without location.
void trace_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The text followed by a line end.
void trace_write(const char* text);
// The text framed by a header that names its size.
void trace_dumpText(const char* text, int32_t size);

// Level used for errors.
constexpr int32_t kTraceLevelError = 3;

#define TRACE_REPORT(level, ...)                          \
  do {                                                    \
    if (trace_isLevelOn((level), __FILE__, __func__)) {   \
      trace_setLocation(__FILE__, __func__, __LINE__);    \
      trace_format(__VA_ARGS__);                          \
      trace_emit();                                       \
    }                                                     \
  } while (0)
