// Windows of the CE layer: window classes, creation and destruction, window
// procedures, titles, visibility, the foreground window, FindWindowW, and
// posting and sending to windows of this and other processes.
//
// Every window is registered with the device server (ce/device), which
// hands out its HWND: a 32-bit value, a multiple of 4 from 0x00010000,
// never reused while the server lives. The low bit of an HWND is ignored
// everywhere, so `hwnd | 1` names the same window. The server keeps each
// window's class, title, owning process and thread, parent, owner, style and
// visibility; FindWindowW, IsWindow, GetClassNameW, GetWindowTextW and
// GetWindowThreadProcessId of another process's window ask it. This process
// keeps, per own window, its procedure and thread.
//
// Classes are registered per process; names compare without regard to case.
//
// Messages to a window go to the queue of the thread that created it
// (ce/user/queue.h): posted ones in order, sent ones before them. Across
// processes only messages that carry integers cross (ids from WM_USER on,
// WM_NULL, WM_CLOSE, WM_DESTROY) and WM_COPYDATA, which is sent only and
// whose bytes are copied (at most kMaxCopyDataBytes); any other id below
// WM_USER fails with ERROR_INVALID_PARAMETER. A SendMessageW waiting for its
// reply handles the messages sent to its own thread meanwhile, so two
// processes sending to each other both complete; when the window or its
// process goes during the call it returns 0 with ERROR_INVALID_WINDOW_HANDLE.
#pragma once

#include <cstdint>

#include "ce/base/lasterror.h"
#include "ce/core/windows_types.h"
#include "ce/user/message.h"

using WNDPROC = LRESULT (*)(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
using ATOM = WORD;

struct HMENU__;
using HMENU = HMENU__*;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;

struct WNDCLASSW {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
};

// WM_CREATE's lParam points at the creation parameters.
struct CREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
};

// WM_COPYDATA's lParam: cbData bytes at lpData, valid during the call.
struct COPYDATASTRUCT {
  ULONG_PTR dwData;
  DWORD cbData;
  PVOID lpData;
};

constexpr DWORD kMaxCopyDataBytes = 60000;

constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWNA = 8;
constexpr int SW_SHOWNOACTIVATE = 4;

// 0 with ERROR_CLASS_ALREADY_EXISTS for a name this process registered
// before, with ERROR_INVALID_PARAMETER without a procedure or name.
ATOM RegisterClassW(const WNDCLASSW* windowClass);

// Registers the window with the device server, then sends WM_CREATE before
// returning; an answer of -1 destroys the window and gives null. Null with
// ERROR_CANNOT_FIND_WND_CLASS for a class this process has not registered.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
HWND CreateWindowW(LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                   int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);

// Sends WM_DESTROY, unregisters the window, kills its timers and drops its
// queued messages. Only the owning process destroys a window.
BOOL DestroyWindow(HWND hwnd);

// WM_CLOSE destroys the window; anything else answers 0.
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

BOOL IsWindow(HWND hwnd);
// The count of units copied (at most maxCount - 1, terminated), 0 with
// ERROR_INVALID_WINDOW_HANDLE for no window.
int GetClassNameW(HWND hwnd, LPWSTR className, int maxCount);
int GetWindowTextW(HWND hwnd, LPWSTR text, int maxCount);
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
// The owning thread's id (0 for no window); the process id through processId.
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);

// The newest top-level window of the device, hidden ones too, whose class
// and title match without regard to case (null matches any).
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);

// Own windows: records the visibility; TRUE when the window was visible.
BOOL ShowWindow(HWND hwnd, int command);
BOOL UpdateWindow(HWND hwnd);
// Any window of the device: makes it the device's foreground window.
BOOL SetForegroundWindow(HWND hwnd);
// As SetForegroundWindow; returns the previous foreground window.
HWND SetActiveWindow(HWND hwnd);

// TRUE once the message is queued (in this process) or accepted by the
// device server; FALSE with ERROR_INVALID_WINDOW_HANDLE,
// ERROR_MESSAGE_SYNC_ONLY (WM_COPYDATA), ERROR_INVALID_PARAMETER (an id
// that cannot cross processes) or ERROR_NOT_ENOUGH_QUOTA (the receiver's
// backlog is full).
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The window procedure's answer; 0 with the errors of PostMessageW.
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Posts WM_CHAR for a WM_KEYDOWN of a printable key; TRUE when it did.
BOOL TranslateMessage(const MSG* msg);

// ---- Within ce/user ----

// The handle without its low bit.
HWND vsCeWindow_canonical(HWND hwnd);
// With the kernel lock held: the thread of a window of this process (0 for
// any other handle), and its procedure (null likewise).
DWORD vsCeWindow_threadLocked(HWND hwnd);
WNDPROC vsCeWindow_procLocked(HWND hwnd);
// With the kernel lock held: the thread a forwarded message for `hwnd` goes
// to: its window's thread, else `serverThread` (the owner the server names)
// while that thread is creating a window the server registered but this
// process has not recorded yet; 0 otherwise.
DWORD vsCeWindow_deliveryThreadLocked(HWND hwnd, DWORD serverThread);
// With the kernel lock held: unregisters the windows of an ending thread.
void vsCeWindow_threadEndedLocked(DWORD threadId);
// With the kernel lock held, on the connection's I/O thread: a message the
// device server forwards (Deliver) onto its window's thread queue; false for
// a frame no server may send.
bool vsCeWindow_deliverLocked(struct Frame* frame);
// With the kernel lock held: answers a message another process sent.
void vsCeWindow_answerRemoteLocked(uint32_t sendId, LRESULT result);
