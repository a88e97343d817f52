// Thread message queues: PostThreadMessageW, PostQuitMessage, GetMessageW,
// PeekMessageW, WaitMessage, and thread timers (SetTimer and KillTimer
// without a window).
//
// Every thread made by CreateThread has a queue from its creation to its
// end, so a post right after CreateThread is never lost; any other thread
// gets one on its first call here (a post to itself included). A queue lives under ce/core's kernel
// lock, so a post wakes a thread blocked in a message wait, and such a wait
// is a suspension point of the thread (ce/core/thread.h).
//
// Retrieval order: posted messages in the order posted, then the WM_QUIT of
// PostQuitMessage (so it follows the posts queued before it), then WM_TIMER,
// synthesized for a timer whose time has come on GetTickCount's clock, one
// per timer however late it is; the timer's next time is then one interval
// on. A filter of 0, 0 takes every message id, else min..max inclusive.
#pragma once

#include "ce/base/lasterror.h"
#include "ce/core/windows_types.h"
#include "ce/user/message.h"

using TIMERPROC = void (*)(HWND hwnd, UINT message, UINT_PTR id, DWORD time);

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// FALSE with ERROR_INVALID_THREAD_ID for an id that has no queue.
BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);

void PostQuitMessage(int exitCode);

// Waits for a message of the calling thread (hwnd must be null: the
// calling thread's messages). 0 for WM_QUIT, -1 for a window filter, else
// TRUE.
BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);

// Like GetMessageW without waiting: FALSE when no message is there. With
// PM_NOREMOVE the message stays (a timer stays due).
BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);

// Returns when a message is there.
BOOL WaitMessage();

// A thread timer of the calling thread (hwnd null; a window gives 0 with
// ERROR_INVALID_WINDOW_HANDLE): every `milliseconds` a
// WM_TIMER whose wParam is the timer's id and lParam the proc. An id of an
// existing timer of the thread replaces it, any other id gives a new one;
// returns the id.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Calls a WM_TIMER's TIMERPROC with (hwnd, WM_TIMER, id, GetTickCount()).
// 0, as for a thread message, which has no window procedure to go to.
LRESULT DispatchMessageW(const MSG* msg);
