// Sentrel, the WAP daemon: a hidden window of class "SentrelClass" whose
// procedure answers the clients' requests (daemon.h) and whose 1500 ms timer
// checks the alarms and the clients. One instance per device: a second one
// brings the first forward and ends with 0.
//
// The program's objects (file log, daemon) are made at the start of WinMain
// and destroyed at its end in reverse order; its debug output and the
// OJThread lines go to OutputDebugStringW.
#include <memory>

#include "ce/base/lasterror.h"
#include "ce/core/kernel_object.h"
#include "ce/core/mutex.h"
#include "ce/core/systime.h"
#include "ce/core/thread.h"
#include "ce/proc/process.h"
#include "ce/user/queue.h"
#include "ce/user/window.h"
#include "sentrel/common/errors.h"
#include "sentrel/common/launch.h"
#include "sentrel/common/requests.h"
#include "sentrel/daemon.h"
#include "sentrel/filelog.h"

namespace {

constexpr const WCHAR* kClassName = u"SentrelClass";
constexpr const WCHAR* kTitle = u"Sentrel";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerPeriodMs = 1500;
constexpr DWORD kLauncherPollMs = 50;
constexpr DWORD kLauncherWaitMs = 5000;

SentrelDaemon* gDaemon = nullptr;

void debugLine(const WCHAR* line) {
  std::u16string text = line;
  text += u"\r\n";
  OutputDebugStringW(text.c_str());
}

int launchProgram(const std::u16string& module, const std::u16string& commandLine) {
  return LaunchProgram(module, commandLine);
}

bool windowExists(uint32_t window) { return IsWindow(reinterpret_cast<HWND>(uintptr_t{window})) != FALSE; }

uint64_t nowFileTime() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return uint64_t{ft.dwHighDateTime} << 32 | ft.dwLowDateTime;
}

// Ends a window, waits while a window of its class exists (at most 5 s),
// then starts a program; destroys itself.
class Launcher : public OJThread {
 public:
  Launcher(HWND window, std::u16string module, std::u16string commandLine)
      : OJThread(u"OJTimer", true),
        window_(window),
        module_(std::move(module)),
        commandLine_(std::move(commandLine)) {}

 protected:
  void run() override {
    WCHAR className[65] = {};
    const bool named = GetClassNameW(window_, className, 64) > 0;
    PostMessageW(window_, WM_DESTROY, 0, 0);
    if (named) {
      DWORD waited = 0;
      while (FindWindowW(className, nullptr) != nullptr && waited < kLauncherWaitMs) {
        Sleep(kLauncherPollMs);
        waited += kLauncherPollMs;
      }
      if (waited >= kLauncherWaitMs)
        FileLog::Print(u"Launcher: a window of class %s is still there, launching", className);
    }
    LaunchProgram(module_, commandLine_);
  }
  void finalize() override {}

 private:
  HWND window_;
  std::u16string module_;
  std::u16string commandLine_;
};

LRESULT launchRequest(LPARAM lParam) {
  SentrelMessageFile file;
  LaunchBody body;
  if (file.open(static_cast<uint16_t>(lParam & 0xFFFF), true) != 1 || !readLaunch(file, body))
    return SentrelError_TempFileStreamCannotOpen;
  file.close();
  auto* launcher =
      new Launcher(reinterpret_cast<HWND>(uintptr_t{body.window}), body.module, body.commandLine);
  if (launcher->start(2) != 1) {
    delete launcher;
    return SentrelError_CreateThreadFailed;
  }
  return SentrelError_Succeeded;
}

void timerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (gDaemon != nullptr) gDaemon->timer(nowFileTime());
}

LRESULT windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      if (gDaemon->start() != SentrelError_Succeeded) {
        PostQuitMessage(0);
        return 0;
      }
      SetTimer(hwnd, kTimerId, kTimerPeriodMs, timerProc);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_DESTROY:
      OJThread_print(u"case WM_DESTROY");
      gDaemon->stop();
      PostQuitMessage(0);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case kReqLaunch:
      return launchRequest(lParam);
    default:
      if (SentrelDaemon::isRequest(message)) return gDaemon->request(message, wParam, lParam);
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// True when this is the first instance; false when another one was brought
// forward or none could be told apart.
bool activatePreviousInstance(HANDLE* mutex) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    *mutex = CreateMutexW(nullptr, FALSE, kClassName);
    if (*mutex == nullptr) return false;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return true;
    CloseHandle(*mutex);
    *mutex = nullptr;
    HWND other = FindWindowW(kClassName, kTitle);
    if (other == nullptr) {
      Sleep(500);
      other = FindWindowW(kClassName, kTitle);
    }
    if (other != nullptr) {
      SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(other) | 1));
      return false;
    }
  }
  return false;
}

int runSentrel(HINSTANCE instance) {
  HANDLE mutex = nullptr;
  if (!activatePreviousInstance(&mutex)) {
    OJThread_print(u"ActivatePreviousInstance() failed");
    return 0;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kClassName;
  if (RegisterClassW(&wc) == 0) {
    OJThread_print(u"RegisterClass() failed");
    return 0;
  }
  HWND hwnd = CreateWindowW(kClassName, kTitle, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                            nullptr, nullptr, instance, nullptr);
  if (hwnd == nullptr) {
    OJThread_print(u"CreateWindow() failed");
    return 0;
  }
  FileLog::Print(u"ShowWindow() = %d", ShowWindow(hwnd, SW_HIDE));
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  CloseHandle(mutex);
  return static_cast<int>(msg.wParam);
}

}  // namespace

int WinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  OJThread_setSink(debugLine, false);
  FileLog::Start(u"\\temp\\sentrel.txt");
  auto daemon = std::make_unique<SentrelDaemon>(launchProgram, windowExists);
  gDaemon = daemon.get();
  const int status = runSentrel(instance);
  gDaemon = nullptr;
  daemon.reset();
  FileLog::EndFileLog();
  return status;
}
