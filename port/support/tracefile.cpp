// The trace file (see tracefile.h).
#include "port/support/tracefile.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

#include "ce/base/crt_printf.h"
#include "ce/base/crt_stdio.h"
#include "ce/fs/file.h"
#include "port/support/regread.h"
#include "port/support/strconv.h"

namespace {

std::mutex gLock;
FILE* gFile = nullptr;  // guarded by gLock; null: tracing off
std::u16string gPath;   // guarded by gLock

void lWrite(const WCHAR* first, const WCHAR* second = nullptr) {
  std::lock_guard<std::mutex> guard(gLock);
  if (gFile == nullptr)
    return;
  fputws(first, gFile);
  if (second != nullptr)
    fputws(second, gFile);
}

}  // namespace

int TraceLogOpen(const WCHAR* name) {
  {
    std::lock_guard<std::mutex> guard(gLock);
    if (gFile != nullptr)
      return 1;
  }
  if (name == nullptr || RegGetVostelDword(u"TraceLog") != 1)
    return 0;
  const std::u16string path = PathCombine(RegReadString(HKEY_CURRENT_USER, u"Software\\Vostel", u"Vostel_Dir"), name);
  std::lock_guard<std::mutex> guard(gLock);
  if (gFile != nullptr)
    return 1;
  gFile = _wfopen(path.c_str(), u"wb");
  if (gFile == nullptr)
    return 0;
  gPath = path;
  return 1;
}

void TraceWriteW(const WCHAR* text) {
  if (text != nullptr)
    lWrite(text);
}

void TraceLineW(const WCHAR* text) {
  if (text != nullptr)
    lWrite(text, u"\n");
}

void TracePutCharW(WCHAR unit) {
  std::lock_guard<std::mutex> guard(gLock);
  if (gFile != nullptr)
    fputwc(unit, gFile);
}

void TraceWriteCountedA(const char* text, uint32_t length) {
  if (text == nullptr)
    return;
  const std::u16string wide = StringToWString(std::string(text, length));
  lWrite(wide.c_str());
}

void TraceLineA(const char* text) {
  if (text != nullptr)
    TraceLineW(StringToWString(text).c_str());
}

void TraceStringA(const char* text) {
  if (text != nullptr)
    TraceWriteW(StringToWString(text).c_str());
}

void TracePrintfW(const WCHAR* format, ...) {
  WCHAR text[kTraceBoundedChars + 1];
  va_list args;
  va_start(args, format);
  _vsnwprintf(text, kTraceBoundedChars, format, args);
  va_end(args);
  text[kTraceBoundedChars] = 0;
  TraceWriteW(text);
}

void TracePrintfUnboundedW(const WCHAR* format, ...) {
  std::u16string text;
  va_list args;
  va_start(args, format);
  FormatWStringV(&text, format, args);
  va_end(args);
  TraceWriteW(text.c_str());
}

int TraceFlush() {
  std::lock_guard<std::mutex> guard(gLock);
  if (gFile == nullptr)
    return 0;
  std::fclose(gFile);
  gFile = _wfopen(gPath.c_str(), u"ab");
  return gFile != nullptr ? 1 : 0;
}

void TraceClose() {
  std::lock_guard<std::mutex> guard(gLock);
  if (gFile != nullptr)
    std::fclose(gFile);
  gFile = nullptr;
}
