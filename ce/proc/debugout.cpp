// OutputDebugStringW (see process.h): one line on standard error, written
// whole, so lines of concurrent threads and processes in debug.log never mix.
#include <errno.h>
#include <unistd.h>

#include <string>

#include "ce/base/codepage.h"
#include "ce/base/crt_string.h"
#include "ce/proc/process.h"

void OutputDebugStringW(LPCWSTR text) {
  std::u16string body = text != nullptr ? std::u16string(text, wcslen(text)) : u"";
  while (!body.empty() && (body.back() == u'\n' || body.back() == u'\r'))
    body.pop_back();
  const std::string line = std::string(program_invocation_short_name) + "[" + std::to_string(getpid()) +
                           "]: " + vsCeCodepage_utf8(body) + "\n";
  if (write(2, line.data(), line.size()) < 0) {
    // Debug output is best effort.
  }
}
