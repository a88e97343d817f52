// cemarker: a CE program whose window (class "Marker") carries its command
// line as its title; it ends when its window is destroyed, or with --stay
// first in its command line ignores WM_DESTROY and stays.
#include <string>

#include "ce/user/queue.h"
#include "ce/user/window.h"

namespace {

bool gStay = false;

LRESULT markerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    if (!gStay) PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
  const std::u16string line = commandLine;
  gStay = line.rfind(u"--stay", 0) == 0;
  WNDCLASSW wc{};
  wc.lpfnWndProc = markerProc;
  wc.hInstance = instance;
  wc.lpszClassName = u"Marker";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowW(u"Marker", line.c_str(), WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (hwnd == nullptr) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
