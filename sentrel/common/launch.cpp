// LaunchProgram (see launch.h).
#include "sentrel/common/launch.h"

#include "ce/base/crt_printf.h"
#include "ce/base/errortext.h"
#include "ce/base/lasterror.h"
#include "ce/core/kernel_object.h"
#include "ce/proc/process.h"
#include "port/host/ojthread.h"

int LaunchProgram(const std::u16string& module, const std::u16string& commandLine) {
  std::u16string line = commandLine;
  PROCESS_INFORMATION info{};
  if (CreateProcessW(module.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                     &info)) {
    if (info.hProcess != nullptr) CloseHandle(info.hProcess);
    return 1;
  }
  const DWORD error = GetLastError();
  WCHAR text[256] = {};
  if (FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, 256,
                     nullptr) == 0)
    _snwprintf(text, 256, u"GetLastError()=%d", static_cast<int>(error));
  OJThread_print(u"LaunchProgram(\"%s\", \"%s\") failed %s", module.c_str(), commandLine.c_str(), text);
  return 0;
}
