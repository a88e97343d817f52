// cepeer: the scripted CE program of the layer's two-process tests.
//
// With a command line "window CLASS TITLE [hidden] [mutex NAME]" it creates
// a window of class CLASS (visible unless hidden), optionally creates the
// named mutex first and prints "mutex E" (E its last error), prints
// "ready 0xHWND" and runs its message loop until its window is destroyed.
// Its window answers:
//
//   WM_USER+1 (posted)  wParam counts 0, 1, 2, ...: a number out of order is
//                       counted bad
//   WM_USER+2 (sent)    returns wParam * 3 + lParam
//   WM_USER+3 (posted)  prints "posts N bad B"
//   WM_USER+4 (sent)    sends WM_USER+2 (lParam, 0) to window wParam and
//                       returns its answer + 1
//   WM_USER+5 (sent)    prints "hanging" and never returns
//   WM_USER+6 (posted)  sends WM_USER+7 to window wParam, then prints
//                       "answer R"
//   WM_COPYDATA (sent)  prints "copydata DWDATA CBDATA UNITS..." (the data
//                       as hexadecimal UTF-16 units), returns cbData
//
// Any other command line: prints "cmdline [TEXT]" and "module [NAME]"
// (GetModuleFileNameW) and exits 0.
#include <cstdio>
#include <string>

#include "ce/base/codepage.h"
#include "ce/core/mutex.h"
#include "ce/core/thread.h"
#include "ce/proc/process.h"
#include "ce/user/queue.h"
#include "ce/user/window.h"

namespace {

unsigned gNextPost = 0;
unsigned gBadPosts = 0;

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

LRESULT peerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_USER + 1:
      if (wParam == gNextPost)
        ++gNextPost;
      else
        ++gBadPosts;
      return 0;
    case WM_USER + 2:
      return static_cast<LRESULT>(wParam * 3) + lParam;
    case WM_USER + 3:
      say("posts " + std::to_string(gNextPost) + " bad " + std::to_string(gBadPosts));
      return 0;
    case WM_USER + 4:
      return SendMessageW(reinterpret_cast<HWND>(wParam), WM_USER + 2, static_cast<WPARAM>(lParam), 0) + 1;
    case WM_USER + 5:
      say("hanging");
      Sleep(INFINITE);
      return 0;
    case WM_USER + 6:
      say("answer " + std::to_string(SendMessageW(reinterpret_cast<HWND>(wParam), WM_USER + 7, 0, 0)));
      return 0;
    case WM_COPYDATA: {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      std::string line = "copydata " + std::to_string(data->dwData) + " " + std::to_string(data->cbData);
      const auto* units = static_cast<const char16_t*>(data->lpData);
      for (DWORD i = 0; i < data->cbData / 2; ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, " %04X", static_cast<unsigned>(units[i]));
        line += hex;
      }
      say(line);
      return static_cast<LRESULT>(data->cbData);
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find(' ', at);
    out.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return out;
}

}  // namespace

int WinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
  const std::string line = vsCeCodepage_utf8(commandLine);
  const std::vector<std::string> args = words(line);
  if (args.size() < 3 || args[0] != "window") {
    WCHAR module[260];
    GetModuleFileNameW(nullptr, module, 260);
    say("cmdline [" + line + "]");
    say("module [" + vsCeCodepage_utf8(module) + "]");
    return 0;
  }
  bool hidden = false;
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "hidden") {
      hidden = true;
    } else if (args[i] == "mutex" && i + 1 < args.size()) {
      CreateMutexW(nullptr, FALSE, vsCeCodepage_utf16(args[++i]).c_str());
      say("mutex " + std::to_string(GetLastError()));
    }
  }
  const std::u16string className = vsCeCodepage_utf16(args[1]);
  const std::u16string title = vsCeCodepage_utf16(args[2]);
  WNDCLASSW wc{};
  wc.lpfnWndProc = peerProc;
  wc.hInstance = instance;
  wc.lpszClassName = className.c_str();
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowW(className.c_str(), title.c_str(), hidden ? 0 : WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (hwnd == nullptr) {
    say("error " + std::to_string(GetLastError()));
    return 1;
  }
  char ready[32];
  std::snprintf(ready, sizeof ready, "ready 0x%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(hwnd)));
  say(ready);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
