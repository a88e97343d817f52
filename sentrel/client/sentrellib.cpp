// SentrelLib (see sentrellib.h).
#include "sentrel/client/sentrellib.h"

#include <cstdlib>
#include <cstring>

#include "ce/base/crt_printf.h"
#include "ce/base/lasterror.h"
#include "ce/core/thread.h"
#include "ce/fs/dirops.h"
#include "ce/proc/process.h"
#include "ce/user/window.h"
#include "port/host/ojthread.h"
#include "sentrel/common/errors.h"
#include "sentrel/common/launch.h"
#include "sentrel/common/requests.h"

namespace {

constexpr const WCHAR* kDaemonPaths[] = {u"\\IPSM\\Windows\\Sentrel.exe", u"\\Windows\\Sentrel.exe",
                                         u"\\Storage\\Windows\\Sentrel.exe"};
constexpr DWORD kLookEveryMs = 50;
constexpr DWORD kLookForMs = 5000;
constexpr size_t kMaxDestinationUnits = 63;
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ull;  // 1970-01-01 in FILETIME units
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE_CODE = 1400;

HWND lFindDaemon() {
  HWND window = FindWindowW(u"SentrelClass", nullptr);
  if (window != nullptr) return window;
  for (const WCHAR* path : kDaemonPaths) {
    if (LaunchProgram(path, u"") != 1) continue;
    for (DWORD waited = 0; waited < kLookForMs; waited += kLookEveryMs) {
      Sleep(kLookEveryMs);
      window = FindWindowW(u"SentrelClass", nullptr);
      if (window != nullptr) return window;
    }
    return nullptr;
  }
  return nullptr;
}

// Sends a request; -1 when there is no daemon or its window went.
int lAsk(UINT request, DWORD port, LPARAM lParam) {
  HWND daemon = lFindDaemon();
  if (daemon == nullptr) return SentrelError_SentrelNotFound;
  SetLastError(0);
  const LRESULT answer = SendMessageW(daemon, request, port, lParam);
  if (answer == 0 && GetLastError() == ERROR_INVALID_WINDOW_HANDLE_CODE) return SentrelError_SentrelNotFound;
  return static_cast<int>(answer);
}

// A request whose body is the file `number` (or the failure `number`):
// the file is deleted again when no daemon gets it.
int lAskWithFile(UINT request, DWORD port, int number, int noFile) {
  if (number <= 0) return noFile;
  const int answer = lAsk(request, port, number);
  if (answer == SentrelError_SentrelNotFound)
    DeleteFileW(SentrelMessageFile::path(static_cast<uint16_t>(number)).c_str());
  return answer;
}

std::u16string lText(const WCHAR* text) { return text != nullptr ? std::u16string(text) : std::u16string(); }

WCHAR* lCopy(const std::u16string& text) {
  auto* copy = static_cast<WCHAR*>(std::malloc((text.size() + 1) * sizeof(WCHAR)));
  if (copy != nullptr) {
    std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
  }
  return copy;
}

}  // namespace

int Sentrel_FindFreePort() { return lAsk(kReqFreePort, 0, 0); }

int Sentrel_OpenPort(uint16_t port, HWND client) {
  OJThread_print(u"SENTREL_API OpenPort(%d)", static_cast<int>(port));
  return lAsk(kReqOpenPort, port, static_cast<LPARAM>(reinterpret_cast<uintptr_t>(client)));
}

int Sentrel_ClosePort(uint16_t port) { return lAsk(kReqClosePort, port, 0); }
int Sentrel_CheckRecvStatus(uint16_t port) { return lAsk(kReqHasMessage, port, 0); }
int Sentrel_IsSendFinished(uint16_t port) { return lAsk(kReqSendFinished, port, 0); }
int Sentrel_PushUnregisterPort(uint16_t port) { return lAsk(kReqPushUnregister, port, 0); }

int Sentrel_GetRecvMsg(uint16_t port, WapMsg* message) {
  const int answer = lAsk(kReqGetMessage, port, 0);
  if (answer <= 0) return answer;
  SentrelMessageFile file;
  WapMsg read;
  if (file.open(static_cast<uint16_t>(answer), true) != 1 || !read.readFromFile(file))
    return SentrelError_ParamFileNotFound;
  *message = std::move(read);
  return SentrelError_Succeeded;
}

int Sentrel_Send(uint16_t port, const WCHAR* destination, uint16_t destinationPort, const BYTE* data,
                 DWORD length) {
  const std::u16string to = lText(destination);
  if (to.size() > kMaxDestinationUnits) return SentrelError_WapMsgCannotWriteFile;
  WapMsg m;
  m.type = 1;
  m.layer = 1;
  m.validFields = 31;
  m.sourceType = 2;
  m.sourcePort = port;
  m.destinationType = 2;
  to.copy(m.destinationAddress, to.size());
  m.destinationPort = destinationPort;
  if (data != nullptr) m.payload.assign(data, data + length);
  const int number = m.writeToFile();
  if (number <= 0) OJThread_print(u"WapMsg::WriteToFile() error");
  return lAskWithFile(kReqSendMessage, port, number, SentrelError_WapMsgCannotWriteFile);
}

int Sentrel_PushRegisterPort(uint16_t port, const WCHAR* module, const WCHAR* commandLine,
                             const WCHAR* filter, const WCHAR* other) {
  const int number = writePushRegistration({lText(module), lText(commandLine), lText(filter), lText(other)});
  return lAskWithFile(kReqPushRegister, port, number, SentrelError_WapMsgCannotWriteFile);
}

int Sentrel_PushListRegConns(WCHAR** ports) {
  *ports = nullptr;
  const int answer = lAsk(kReqPushList, 0, 0);
  if (answer <= 0) return answer;
  SentrelMessageFile file;
  std::vector<std::u16string> items;
  if (file.open(static_cast<uint16_t>(answer), true) != 1 || !readStringList(file, items))
    return SentrelError_ParamFileNotFound;
  if (items.empty()) return SentrelError_Succeeded;
  std::u16string joined;
  for (size_t i = 0; i < items.size(); ++i) joined += (i > 0 ? u"," : u"") + items[i];
  *ports = lCopy(joined);
  return SentrelError_Succeeded;
}

int Sentrel_PushGetRegPortArguments(uint16_t port, SentrelPushArgs* args) {
  const int answer = lAsk(kReqPushArgs, port, 0);
  if (answer <= 0) return answer;
  SentrelMessageFile file;
  PushRegistrationBody body;
  if (file.open(static_cast<uint16_t>(answer), true) != 1 || !readPushRegistration(file, body))
    return SentrelError_TempFileStreamCannotOpen;
  *args = {lCopy(body.module), lCopy(body.commandLine), lCopy(body.filter), lCopy(body.other)};
  return SentrelError_Succeeded;
}

int Sentrel_PushRegisterAlarm(DWORD timeLow, DWORD timeHigh, const WCHAR* module, const WCHAR* commandLine,
                              const WCHAR* other) {
  const uint64_t milliseconds = uint64_t{timeHigh} << 32 | timeLow;
  const int number = writeAlarm(
      {kUnixEpochFileTime + milliseconds * 10000, lText(module), lText(commandLine), lText(other)});
  return lAskWithFile(kReqAlarm, 0, number, SentrelError_WapMsgCannotWriteFile);
}

int Sentrel_DestroyWindowAndLaunchApp(HWND window, const WCHAR* module, const WCHAR* commandLine) {
  if (lFindDaemon() == nullptr) return SentrelError_SentrelNotFound;
  const int number = writeLaunch(
      {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)), lText(module), lText(commandLine)});
  return lAskWithFile(kReqLaunch, 0, number, SentrelError_TempFileStreamCannotGenerate);
}

const WCHAR* Sentrel_GetErrorString(int code) {
  static WCHAR buffer[64];
  if (const char* name = sentrelErrorName(code)) {
    size_t i = 0;
    for (; name[i] != 0 && i + 1 < 64; ++i) buffer[i] = static_cast<WCHAR>(name[i]);
    buffer[i] = 0;
    return buffer;
  }
  _snwprintf(buffer, 64, u"Unknown errCode=%d", code);
  return buffer;
}
