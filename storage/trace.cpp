// Trace front end (see trace.h).
#include "storage/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "port/support/strconv.h"
#include "port/support/tracefile.h"

namespace {

constexpr size_t kNameBytes = 260;
constexpr size_t kMessageBytes = 1024;
constexpr size_t kLineBytes = 2 * kNameBytes + kMessageBytes + 64;

TraceLineWriter gWriter = nullptr;
bool gDebugTag = false;
// Every level passes; nothing raises the threshold.
const int32_t gThreshold = -1;

char gFile[kNameBytes];
char gFunction[kNameBytes];
int32_t gLine = 0;
char gMessage[kMessageBytes];

void lCopy(char* to, size_t capacity, const char* from) {
  std::snprintf(to, capacity, "%s", from != nullptr ? from : "");
}

// One line to the installed writer, else to the trace file.
void lWriteLine(const char* text) {
  if (gWriter != nullptr)
    gWriter(text);
  else
    TraceWriteW(StringToWString(text).c_str());
}

void lWriteFormatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
void lWriteFormatted(const char* format, ...) {
  char text[kLineBytes];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  lWriteLine(text);
}

}  // namespace

void trace_setLineWriter(TraceLineWriter writer) { gWriter = writer; }

void trace_setDebugTag(bool on) { gDebugTag = on; }

bool trace_isLevelOn(int32_t level, const char*, const char*) { return level >= gThreshold; }

void trace_setLocation(const char* file, const char* function, int32_t line) {
  const char* base = file;
  if (file != nullptr)
    for (const char* p = file; *p != '\0'; ++p)
      if (*p == '\\' || *p == '/')
        base = p + 1;
  lCopy(gFile, sizeof gFile, base);
  lCopy(gFunction, sizeof gFunction, function);
  gLine = line;
}

void trace_format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(gMessage, sizeof gMessage, format, args);
  va_end(args);
}

void trace_emit() {
  if (gDebugTag)
    lWriteFormatted("<DEBUG>%s(%d)(%s): %s</DEBUG>\n", gFile, gLine, gFunction, gMessage);
  else
    lWriteFormatted("%s(%d)(%s): %s\n", gFile, gLine, gFunction, gMessage);
}

void trace_formatAndEmit(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(gMessage, sizeof gMessage, format, args);
  va_end(args);
  trace_emit();
}

void trace_printf(const char* format, ...) {
  char text[kMessageBytes + 1];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, kMessageBytes, format, args);
  va_end(args);
  std::strcat(text, "\n");
  lWriteLine(text);
}

void trace_write(const char* text) { lWriteFormatted("%s\n", text != nullptr ? text : ""); }

void trace_dumpText(const char* text, int32_t size) {
  const char* body = text != nullptr ? text : "";
  if (gWriter == nullptr) {
    TracePrintfUnboundedW(
        u"\n*** DUMP TEXT , size = %d *** \n--------------------------------------------\n%S\n"
        u"--------------------------------------------\n",
        size, body);
    return;
  }
  lWriteFormatted(
      "\n*** DUMP TEXT , size = %d *** \n--------------------------------------------\n%s\n"
      "--------------------------------------------\n",
      size, body);
}
