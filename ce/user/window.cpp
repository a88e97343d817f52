// Window classes and windows (see window.h): this process's classes and
// windows in tables under the kernel lock; everything the device shares goes
// through the device server.
#include "ce/user/window.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "ce/base/crt_string.h"
#include "ce/core/kernel_object.h"
#include "ce/core/thread.h"
#include "ce/ipc/connection.h"
#include "ce/user/queue.h"

namespace {

struct WindowClass {
  std::u16string name;
  WNDPROC proc;
};

struct OwnWindow {
  WNDPROC proc;
  DWORD thread;
  bool destroying;
};

// Guarded by the kernel lock.
std::vector<WindowClass>& classes() {
  static auto* list = new std::vector<WindowClass>;
  return *list;
}
std::unordered_map<uint32_t, OwnWindow>& windows() {
  static auto* map = new std::unordered_map<uint32_t, OwnWindow>;
  return *map;
}
// Threads between the server's registration of a window and its entry in
// windows(), with how many windows each is creating. The server may already
// forward a message to such a window (another process found it): it goes to
// the thread the server names, which records the window before it handles
// any message.
std::unordered_map<DWORD, int>& registering() {
  static auto* map = new std::unordered_map<DWORD, int>;
  return *map;
}

uint32_t valueOf(HWND hwnd) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd)) & ~1u; }
HWND handleOf(uint64_t value) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(value & 0xFFFFFFFEu)); }

const WindowClass* classLocked(LPCWSTR name) {
  for (const WindowClass& c : classes())
    if (_wcsicmp(c.name.c_str(), name) == 0)
      return &c;
  return nullptr;
}

// The server's reply: its status set as the last error when not 0.
bool ask(Frame request, std::vector<Frame>* frames) {
  vsCeIpc_call(std::move(request), frames);
  const uint32_t status = frames->back().u32At(0);
  if (status != 0) {
    SetLastError(status);
    return false;
  }
  return true;
}

// The server's record of a window: WindowInfo {hwnd, pid, tid, visible,
// foreground, class, title}; false with ERROR_INVALID_WINDOW_HANDLE.
bool query(HWND hwnd, Frame* info) {
  std::vector<Frame> frames;
  Frame request{FrameKind::QueryWindow, 0, {}};
  if (hwnd == nullptr || !ask(request.u32(valueOf(hwnd)), &frames) || frames.size() != 2) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  *info = std::move(frames.front());
  return true;
}

int copyText(const std::u16string& text, LPWSTR out, int maxCount) {
  if (out == nullptr || maxCount <= 0)
    return 0;
  const size_t n = text.size() < static_cast<size_t>(maxCount - 1) ? text.size() : static_cast<size_t>(maxCount - 1);
  text.copy(out, n);
  out[n] = 0;
  return static_cast<int>(n);
}

}  // namespace

HWND vsCeWindow_canonical(HWND hwnd) { return handleOf(valueOf(hwnd)); }

DWORD vsCeWindow_threadLocked(HWND hwnd) {
  auto it = windows().find(valueOf(hwnd));
  return it == windows().end() ? 0 : it->second.thread;
}

DWORD vsCeWindow_deliveryThreadLocked(HWND hwnd, DWORD serverThread) {
  if (const DWORD thread = vsCeWindow_threadLocked(hwnd))
    return thread;
  return registering().count(serverThread) != 0 ? serverThread : 0;
}

WNDPROC vsCeWindow_procLocked(HWND hwnd) {
  auto it = windows().find(valueOf(hwnd));
  return it == windows().end() ? nullptr : it->second.proc;
}

void vsCeWindow_threadEndedLocked(DWORD threadId) {
  for (auto it = windows().begin(); it != windows().end();) {
    if (it->second.thread != threadId) {
      ++it;
      continue;
    }
    Frame request{FrameKind::DestroyWindow, 0, {}};
    vsCeIpc_forgetLocked(vsCeIpc_request(request.u32(it->first)));
    it = windows().erase(it);
  }
}

void vsCeWindow_answerRemoteLocked(uint32_t sendId, LRESULT result) {
  Frame answer{FrameKind::SendReply, 0, {}};
  vsCeIpc_notify(answer.u32(sendId).i64(result));
}

ATOM RegisterClassW(const WNDCLASSW* windowClass) {
  if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr || windowClass->lpszClassName == nullptr ||
      windowClass->lpszClassName[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  vsCeKernel_lock();
  if (classLocked(windowClass->lpszClassName) != nullptr) {
    vsCeKernel_unlock();
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  classes().push_back(WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc});
  const auto atom = static_cast<ATOM>(0xC000 + classes().size());
  vsCeKernel_unlock();
  return atom;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  // Messages from other processes reach any process that has windows.
  static const bool kDeliverInstalled = (vsCeIpc_setHandler(FrameKind::Deliver, vsCeWindow_deliverLocked), true);
  (void)kDeliverInstalled;
  if (className == nullptr) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  vsCeKernel_lock();
  const WindowClass* found = classLocked(className);
  const WNDPROC proc = found != nullptr ? found->proc : nullptr;
  const std::u16string name = found != nullptr ? found->name : u"";
  vsCeQueue_attachLocked();
  vsCeKernel_unlock();
  if (proc == nullptr) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  const bool child = (style & WS_CHILD) != 0;
  Frame request{FrameKind::RegisterWindow, 0, {}};
  request.u32(GetCurrentThreadId()).u32(style);
  request.u32(child ? valueOf(parent) : 0).u32(child ? 0 : valueOf(parent)).u32((style & WS_VISIBLE) != 0);
  request.str(name).str(windowName != nullptr ? windowName : u"");
  const DWORD self = GetCurrentThreadId();
  vsCeKernel_lock();
  ++registering()[self];
  vsCeKernel_unlock();
  std::vector<Frame> frames;
  const bool registered = ask(std::move(request), &frames);
  const HWND hwnd = registered ? handleOf(static_cast<uint64_t>(frames.back().i64At(1))) : nullptr;
  vsCeKernel_lock();
  if (registered)
    windows()[valueOf(hwnd)] = OwnWindow{proc, self, false};
  if (--registering()[self] == 0)
    registering().erase(self);
  vsCeKernel_unlock();
  if (!registered)
    return nullptr;
  CREATESTRUCTW create{param,  instance, menu,  parent, height,    width,
                       y,      x,        static_cast<LONG>(style), windowName, className, exStyle};
  if (proc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  return hwnd;
}

HWND CreateWindowW(LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width, int height,
                   HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  return CreateWindowExW(0, className, windowName, style, x, y, width, height, parent, menu, instance, param);
}

BOOL DestroyWindow(HWND hwnd) {
  hwnd = vsCeWindow_canonical(hwnd);
  vsCeKernel_lock();
  auto it = windows().find(valueOf(hwnd));
  if (it == windows().end() || it->second.destroying) {
    const bool destroying = it != windows().end();
    vsCeKernel_unlock();
    if (!destroying)
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return destroying ? TRUE : FALSE;
  }
  it->second.destroying = true;
  const OwnWindow window = it->second;
  vsCeKernel_unlock();
  window.proc(hwnd, WM_DESTROY, 0, 0);
  std::vector<Frame> frames;
  Frame request{FrameKind::DestroyWindow, 0, {}};
  vsCeIpc_call(request.u32(valueOf(hwnd)), &frames);
  vsCeKernel_lock();
  windows().erase(valueOf(hwnd));
  vsCeQueue_dropWindowLocked(window.thread, hwnd);
  vsCeKernel_unlock();
  return TRUE;
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE)
    DestroyWindow(hwnd);
  return 0;
}

BOOL IsWindow(HWND hwnd) {
  vsCeKernel_lock();
  const bool own = vsCeWindow_threadLocked(hwnd) != 0;
  vsCeKernel_unlock();
  Frame info;
  return own || query(hwnd, &info) ? TRUE : FALSE;
}

int GetClassNameW(HWND hwnd, LPWSTR className, int maxCount) {
  Frame info;
  return query(hwnd, &info) ? copyText(info.fields[5].text, className, maxCount) : 0;
}

int GetWindowTextW(HWND hwnd, LPWSTR text, int maxCount) {
  Frame info;
  return query(hwnd, &info) ? copyText(info.fields[6].text, text, maxCount) : 0;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  vsCeKernel_lock();
  const bool own = vsCeWindow_threadLocked(hwnd) != 0;
  vsCeKernel_unlock();
  if (!own)  // WM_SETTEXT to another process's window: its parameter is a pointer
    return SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
  std::vector<Frame> frames;
  Frame request{FrameKind::SetWindowText, 0, {}};
  return ask(request.u32(valueOf(hwnd)).str(text != nullptr ? text : u""), &frames) ? TRUE : FALSE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  Frame info;
  if (!query(hwnd, &info))
    return 0;
  if (processId != nullptr)
    *processId = info.u32At(1);
  return info.u32At(2);
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  Frame request{FrameKind::FindWindow, 0, {}};
  request.u32((className != nullptr ? 1u : 0u) | (windowName != nullptr ? 2u : 0u));
  request.str(className != nullptr ? className : u"").str(windowName != nullptr ? windowName : u"");
  std::vector<Frame> frames;
  return ask(std::move(request), &frames) ? handleOf(static_cast<uint64_t>(frames.back().i64At(1))) : nullptr;
}

BOOL ShowWindow(HWND hwnd, int command) {
  vsCeKernel_lock();
  const bool own = vsCeWindow_threadLocked(hwnd) != 0;
  vsCeKernel_unlock();
  if (!own) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  std::vector<Frame> frames;
  Frame request{FrameKind::ShowWindow, 0, {}};
  if (!ask(request.u32(valueOf(hwnd)).u32(command != SW_HIDE), &frames))
    return FALSE;
  return frames.back().i64At(1) != 0 ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) { return IsWindow(hwnd); }

BOOL SetForegroundWindow(HWND hwnd) {
  std::vector<Frame> frames;
  Frame request{FrameKind::SetForegroundWindow, 0, {}};
  return ask(request.u32(valueOf(hwnd)), &frames) ? TRUE : FALSE;
}

HWND SetActiveWindow(HWND hwnd) {
  std::vector<Frame> frames;
  Frame request{FrameKind::SetForegroundWindow, 0, {}};
  return ask(request.u32(valueOf(hwnd)), &frames) ? handleOf(static_cast<uint64_t>(frames.back().i64At(1)))
                                                  : nullptr;
}
