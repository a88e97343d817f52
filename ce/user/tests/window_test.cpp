// Windows within one process, registered with a test's device server:
// classes, WM_CREATE before CreateWindowExW returns, the order of sent,
// posted and timer messages, window timers, DestroyWindow, `hwnd | 1`,
// visibility and the foreground window, and windows of an ending thread.
#include "ce/user/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "ce/core/clock.h"
#include "ce/core/event.h"
#include "ce/core/thread.h"
#include "ce/testing/childrunner.h"
#include "ce/testing/devroot.h"
#include "ce/testing/serverfixture.h"
#include "ce/user/queue.h"

namespace {

constexpr DWORD kLong = 30000;

std::atomic<DWORD> gTick{5000};
DWORD movedTick() { return gTick.load(); }

struct Handled {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
};
std::vector<Handled> gHandled;
HWND gCreated = nullptr;
std::u16string gCreatedTitle;
LRESULT gCreateAnswer = 0;

LRESULT recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    gCreated = hwnd;
    gCreatedTitle = reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpszName;
    return gCreateAnswer;
  }
  gHandled.push_back({hwnd, message, wParam});
  if (message == WM_USER + 2) {  // sent from another thread: wake this one's GetMessageW
    PostThreadMessageW(GetCurrentThreadId(), WM_USER + 9, 0, 0);
    return static_cast<LRESULT>(wParam + 1);
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A device root, its server and the recording class "Rec"; the tick source
// under the test's control.
struct Device {
  CeDeviceRoot root;
  CeServer server;
  Device() {
    vsCeClock_setTickSource(movedTick);
    gHandled.clear();
    gCreated = nullptr;
    gCreateAnswer = 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = u"Rec";
    static bool registered = false;
    if (!registered)
      registered = RegisterClassW(&wc) != 0;
  }
  ~Device() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    vsCeClock_setTickSource(nullptr);
  }
  HWND window(const char16_t* title = u"w", DWORD style = 0) {
    return CreateWindowExW(0, u"rec", title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           nullptr, nullptr, nullptr, nullptr);
  }
};

std::vector<UINT> peekAll(HWND filter = nullptr) {
  std::vector<UINT> out;
  MSG m;
  while (PeekMessageW(&m, filter, 0, 0, PM_REMOVE)) {
    out.push_back(m.message);
    DispatchMessageW(&m);
  }
  return out;
}

TEST(CeWindow, ClassesAndCreation) {
  Device device;
  WNDCLASSW wc{};
  wc.lpfnWndProc = recordingProc;
  wc.lpszClassName = u"REC";
  SetLastError(0);
  EXPECT_EQ(RegisterClassW(&wc), 0) << "class names compare without regard to case";
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  SetLastError(0);
  EXPECT_EQ(CreateWindowW(u"Nope", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);

  const HWND w = device.window(u"First");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(gCreated, w) << "WM_CREATE came before CreateWindowExW returned";
  EXPECT_EQ(gCreatedTitle, u"First");
  EXPECT_EQ(reinterpret_cast<uintptr_t>(w) % 4, 0u);
  EXPECT_GE(reinterpret_cast<uintptr_t>(w), 0x00010000u);

  gCreateAnswer = -1;
  gHandled.clear();
  EXPECT_EQ(device.window(u"Refused"), nullptr);
  const HWND refused = gCreated;
  ASSERT_EQ(gHandled.size(), 1u);
  EXPECT_EQ(gHandled[0].message, WM_DESTROY) << "the refused window was destroyed";
  EXPECT_FALSE(IsWindow(refused));
  EXPECT_EQ(FindWindowW(u"Rec", u"Refused"), nullptr);
  gCreateAnswer = 0;
  const HWND second = device.window(u"Second");
  EXPECT_GT(reinterpret_cast<uintptr_t>(second), reinterpret_cast<uintptr_t>(refused)) << "never reused";
  EXPECT_EQ(FindWindowW(u"Rec", nullptr), second) << "newest first";
  DestroyWindow(second);
  DestroyWindow(w);
}

struct Sender {
  HWND target;
  LRESULT result = 0;
};

DWORD sendFromThread(LPVOID arg) {
  auto* s = static_cast<Sender*>(arg);
  s->result = SendMessageW(s->target, WM_USER + 2, 41, 0);
  return 0;
}

TEST(CeWindow, SentBeforePostedBeforeTimer) {
  Device device;
  const HWND w = device.window();
  ASSERT_TRUE(PostMessageW(w, WM_USER + 1, 0, 0));
  ASSERT_EQ(SetTimer(w, 7, 10, nullptr), 7u);
  gTick += 200;
  Sender s{w};
  HANDLE t = CreateThread(nullptr, 0, sendFromThread, &s, 0, nullptr);
  MSG m;
  // Only WM_USER+9 passes the filter: the sent message is handled meanwhile
  // and posts it.
  ASSERT_EQ(GetMessageW(&m, nullptr, WM_USER + 9, WM_USER + 9), TRUE);
  ASSERT_EQ(WaitForSingleObject(t, kLong), WAIT_OBJECT_0);
  CloseHandle(t);
  EXPECT_EQ(s.result, 42);
  EXPECT_EQ(peekAll(), (std::vector<UINT>{WM_USER + 1, WM_TIMER})) << "posted, then one timer however late";
  ASSERT_EQ(gHandled.size(), 3u);
  EXPECT_EQ(gHandled[0].message, WM_USER + 2u);
  EXPECT_EQ(gHandled[2].message, WM_TIMER);
  EXPECT_EQ(gHandled[2].wParam, 7u);
  EXPECT_EQ(gHandled[2].hwnd, w);
  DestroyWindow(w);
}

std::vector<std::pair<HWND, UINT_PTR>> gTimerCalls;
void onTimer(HWND hwnd, UINT, UINT_PTR id, DWORD) { gTimerCalls.emplace_back(hwnd, id); }

TEST(CeWindow, WindowTimerProcAndKill) {
  Device device;
  gTimerCalls.clear();
  const HWND w = device.window();
  ASSERT_NE(SetTimer(w, 3, 10, onTimer), 0u);
  gTick += 200;
  EXPECT_EQ(peekAll(), std::vector<UINT>{WM_TIMER});
  ASSERT_EQ(gTimerCalls.size(), 1u);
  EXPECT_EQ(gTimerCalls[0], std::make_pair(w, UINT_PTR{3}));
  EXPECT_TRUE(gHandled.empty()) << "the TIMERPROC, not the window procedure";
  EXPECT_TRUE(KillTimer(w, 3));
  gTick += 200;
  EXPECT_TRUE(peekAll().empty());
  EXPECT_FALSE(KillTimer(w, 3));
  SetLastError(0);
  EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(0x7FFFFFF0), 1, 10, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  DestroyWindow(w);
}

TEST(CeWindow, DestroyDropsPostsAndTimersOddHandlesWork) {
  Device device;
  const HWND w = device.window();
  const HWND keep = device.window(u"keep");
  const HWND odd = reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(w) | 1);
  PostMessageW(odd, WM_USER + 1, 1, 0);
  PostMessageW(keep, WM_USER + 1, 2, 0);
  PostMessageW(w, WM_USER + 1, 3, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, odd, 0, 0, PM_REMOVE)) << "a window filter with the low bit set";
  EXPECT_EQ(m.hwnd, w);
  EXPECT_EQ(m.wParam, 1u);
  EXPECT_EQ(SendMessageW(odd, WM_USER + 2, 1, 0), 2);
  SetTimer(odd, 1, 10, nullptr);
  gTick += 100;
  gHandled.clear();
  EXPECT_TRUE(DestroyWindow(odd));
  ASSERT_EQ(gHandled.size(), 1u);
  EXPECT_EQ(gHandled[0].message, WM_DESTROY);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(peekAll(), (std::vector<UINT>{WM_USER + 1, WM_USER + 9}))
      << "the other window's post and the thread message of the send are left";
  EXPECT_EQ(gHandled.back().hwnd, keep);
  SetLastError(0);
  EXPECT_FALSE(DestroyWindow(w));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(PostMessageW(w, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

  PostMessageW(keep, WM_CLOSE, 0, 0);
  peekAll();
  EXPECT_FALSE(IsWindow(keep)) << "DefWindowProcW destroys on WM_CLOSE";
}

TEST(CeWindow, TranslateShowAndForeground) {
  Device device;
  const HWND a = device.window(u"A", WS_VISIBLE);
  const HWND b = device.window(u"B");
  MSG key{a, WM_KEYDOWN, 'A', 0, 0, {0, 0}};
  EXPECT_TRUE(TranslateMessage(&key));
  key.wParam = 0x25;  // an arrow: no character
  EXPECT_FALSE(TranslateMessage(&key));
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_CHAR);
  EXPECT_EQ(m.wParam, static_cast<WPARAM>('a'));

  EXPECT_FALSE(ShowWindow(b, SW_SHOW)) << "it was hidden";
  EXPECT_TRUE(ShowWindow(b, SW_HIDE)) << "it was visible";
  EXPECT_TRUE(ShowWindow(a, SW_SHOWNORMAL));
  EXPECT_TRUE(SetForegroundWindow(b));
  EXPECT_EQ(SetActiveWindow(a), b);
  EXPECT_TRUE(UpdateWindow(a));
  std::string listing;
  const CeChildResult r = vsCeTest_run({vsCeTest_bin("cedevice"), "windows", getenv("CE_ROOT")});
  EXPECT_EQ(r.status, 0);
  char line[64];
  std::snprintf(line, sizeof line, "*0x%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(a)));
  EXPECT_NE(r.output.find(std::string(line) + " " + std::to_string(getpid())), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Rec \"B\" hidden"), std::string::npos) << r.output;
  EXPECT_TRUE(SetWindowTextW(b, u"Bee"));
  WCHAR text[8];
  EXPECT_EQ(GetWindowTextW(b, text, 8), 3);
  EXPECT_EQ(std::u16string(text), u"Bee");
  DestroyWindow(a);
  DestroyWindow(b);
  SetLastError(0);
  EXPECT_FALSE(SetForegroundWindow(a));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

DWORD createAndEnd(LPVOID) {
  CreateWindowW(u"Rec", u"Leaving", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  return 0;
}

TEST(CeWindow, WindowsOfAnEndingThreadGo) {
  Device device;
  HANDLE t = CreateThread(nullptr, 0, createAndEnd, nullptr, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(t, kLong), WAIT_OBJECT_0);
  CloseHandle(t);
  EXPECT_EQ(FindWindowW(nullptr, u"Leaving"), nullptr);
}

}  // namespace
