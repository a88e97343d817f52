// Thread message queues: PostThreadMessageW, PostQuitMessage, GetMessageW,
// PeekMessageW, WaitMessage, DispatchMessageW, and timers (SetTimer and
// KillTimer, of a thread or of a window).
//
// Every thread made by CreateThread has a queue from its creation to its
// end, so a post right after CreateThread is never lost; any other thread
// gets one on its first call here (a post to itself included). A queue lives
// under ce/core's kernel lock, so a post wakes a thread blocked in a message
// wait, and such a wait is a suspension point of the thread
// (ce/core/thread.h).
//
// Retrieval order: messages sent to the thread's windows from other threads
// or processes are handled first, inside GetMessageW, PeekMessageW and
// WaitMessage (and while the thread waits in SendMessageW), never returned;
// then posted messages in the order posted, then the WM_QUIT of
// PostQuitMessage (so it follows the posts queued before it), then WM_TIMER,
// synthesized for a timer whose time has come on GetTickCount's clock, one
// per timer however late it is; the timer's next time is then one interval
// on. A filter of 0, 0 takes every message id, else min..max inclusive; a
// window filter takes that window's messages only.
//
// When a thread ends, its queue goes: messages still sent to it are answered
// 0, and its windows are unregistered.
#pragma once

#include <cstdint>
#include <vector>

#include "ce/base/lasterror.h"
#include "ce/core/windows_types.h"
#include "ce/user/message.h"

using TIMERPROC = void (*)(HWND hwnd, UINT message, UINT_PTR id, DWORD time);

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// FALSE with ERROR_INVALID_THREAD_ID for an id that has no queue.
BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);

void PostQuitMessage(int exitCode);

// Waits for a message of the calling thread (hwnd: of that window only,
// which must be one of this process). 0 for WM_QUIT, -1 for a window that is
// not one of this process's (ERROR_INVALID_WINDOW_HANDLE), else TRUE.
BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);

// Like GetMessageW without waiting: FALSE when no message is there. With
// PM_NOREMOVE the message stays (a timer stays due).
BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);

// Returns when a message is there.
BOOL WaitMessage();

// A timer of the calling thread (hwnd null) or of a window of this process
// (on its thread's queue): every `milliseconds` a WM_TIMER whose wParam is
// the timer's id and lParam the proc. A thread timer with the id of an
// existing one replaces it, any other id gives a new one; a window timer
// with the same (hwnd, id) replaces it. Returns the id; 0 with
// ERROR_INVALID_WINDOW_HANDLE for a window that is not this process's.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Calls a WM_TIMER's TIMERPROC with (hwnd, WM_TIMER, id, GetTickCount()),
// else the window procedure of the message's window; its answer, 0 for a
// thread message.
LRESULT DispatchMessageW(const MSG* msg);

// ---- Within ce/user (window.cpp, send.cpp), with the kernel lock held ----

// A message sent to a thread: by a thread of this process (local, which
// waits for done) or from another process (remoteId, answered through the
// device server). WM_COPYDATA from another process carries its bytes.
struct SentMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::vector<uint8_t> data;
  uint32_t remoteId;
  struct LocalSend* local;
};

struct LocalSend {
  LRESULT result = 0;
  bool done = false;
  bool failed = false;  // the receiving thread ended first
};

// False when the thread has no queue.
bool vsCeQueue_postLocked(DWORD threadId, const MSG& msg);
bool vsCeQueue_sendLocked(DWORD threadId, SentMessage sent);
// Makes sure the calling thread has a queue.
void vsCeQueue_attachLocked();
// Handles one message sent to the calling thread (releasing the lock during
// the call); false when none is waiting.
bool vsCeQueue_handleSentLocked();
// Drops a window's posted messages and timers from its thread's queue.
void vsCeQueue_dropWindowLocked(DWORD threadId, HWND hwnd);
