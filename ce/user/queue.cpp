// Thread message queues (see queue.h): one Queue per thread id in a map under
// the kernel lock.
#include "ce/user/queue.h"

#include <deque>
#include <unordered_map>
#include <vector>

#include "ce/base/lasterror.h"
#include "ce/core/clock.h"
#include "ce/core/kernel_object.h"
#include "ce/core/thread.h"

namespace {

struct Timer {
  UINT_PTR id;
  UINT interval;
  TIMERPROC proc;
  DWORD due;  // on GetTickCount's clock
};

struct Queue {
  std::deque<MSG> posted;
  bool quit = false;
  int quitCode = 0;
  std::vector<Timer> timers;
  UINT_PTR nextTimerId = 1;
};

// Guarded by the kernel lock; never destroyed, since threads may post while
// the process exits.
std::unordered_map<DWORD, Queue>& queues() {
  static auto* map = new std::unordered_map<DWORD, Queue>;
  return *map;
}

void createdLocked(DWORD threadId) { queues()[threadId]; }

void endedLocked(DWORD threadId) { queues().erase(threadId); }

const bool kHooksInstalled = (vsCeThread_setHooks(createdLocked, endedLocked), true);

Queue& ownQueueLocked() { return queues()[GetCurrentThreadId()]; }

bool inFilter(UINT message, UINT filterMin, UINT filterMax) {
  return (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
}

bool due(const Timer& timer, DWORD now) { return static_cast<int32_t>(now - timer.due) >= 0; }

// With the kernel lock held: the next message of the queue within the filter,
// taken when remove.
bool nextLocked(Queue& q, MSG* msg, UINT filterMin, UINT filterMax, bool remove) {
  for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
    if (inFilter(it->message, filterMin, filterMax)) {
      *msg = *it;
      if (remove)
        q.posted.erase(it);
      return true;
    }
  }
  const DWORD now = GetTickCount();
  if (q.quit && inFilter(WM_QUIT, filterMin, filterMax)) {
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, now, {0, 0}};
    if (remove)
      q.quit = false;
    return true;
  }
  if (!inFilter(WM_TIMER, filterMin, filterMax))
    return false;
  for (Timer& timer : q.timers) {
    if (due(timer, now)) {
      *msg = MSG{nullptr, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.proc), now, {0, 0}};
      if (remove)
        timer.due = now + timer.interval;
      return true;
    }
  }
  return false;
}

// With the kernel lock held: blocks until a post or the next timer's time.
void blockLocked(Queue& q) {
  if (q.timers.empty()) {
    vsCeKernel_block(nullptr);
    return;
  }
  const DWORD now = GetTickCount();
  DWORD wait = 0xFFFFFFFFu;
  for (const Timer& timer : q.timers) {
    const DWORD left = due(timer, now) ? 0 : timer.due - now;
    wait = left < wait ? left : wait;
  }
  const timespec deadline = vsCeKernel_deadline(wait);
  vsCeKernel_block(&deadline);
}

// The message wait of GetMessageW and WaitMessage.
void waitLocked(MSG* msg, UINT filterMin, UINT filterMax, bool remove) {
  for (;;) {
    vsCeThread_suspensionPointLocked();
    // The map may rehash while this thread is blocked: look the queue up anew.
    Queue& q = ownQueueLocked();
    if (nextLocked(q, msg, filterMin, filterMax, remove))
      return;
    blockLocked(q);
  }
}

}  // namespace

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  const DWORD self = GetCurrentThreadId();
  vsCeKernel_lock();
  if (threadId == self)
    ownQueueLocked();  // a thread made outside the layer posting to itself
  auto it = queues().find(threadId);
  if (it == queues().end()) {
    vsCeKernel_unlock();
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  it->second.posted.push_back(MSG{nullptr, message, wParam, lParam, GetTickCount(), {0, 0}});
  vsCeKernel_broadcast();
  vsCeKernel_unlock();
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  vsCeKernel_lock();
  Queue& q = ownQueueLocked();
  q.quit = true;
  q.quitCode = exitCode;
  vsCeKernel_unlock();
}

BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (msg == nullptr || hwnd != nullptr) {
    SetLastError(hwnd != nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
    return -1;
  }
  vsCeKernel_lock();
  waitLocked(msg, filterMin, filterMax, true);
  vsCeKernel_unlock();
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (msg == nullptr || hwnd != nullptr) {
    SetLastError(hwnd != nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  vsCeKernel_lock();
  const bool found =
      nextLocked(ownQueueLocked(), msg, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0);
  vsCeKernel_unlock();
  return found ? TRUE : FALSE;
}

BOOL WaitMessage() {
  MSG msg;
  vsCeKernel_lock();
  waitLocked(&msg, 0, 0, false);
  vsCeKernel_unlock();
  return TRUE;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC proc) {
  if (hwnd != nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  vsCeKernel_lock();
  Queue& q = ownQueueLocked();
  const DWORD due = GetTickCount() + milliseconds;
  for (Timer& timer : q.timers) {
    if (timer.id == id) {
      timer = Timer{id, milliseconds, proc, due};
      vsCeKernel_broadcast();
      vsCeKernel_unlock();
      return id;
    }
  }
  const UINT_PTR newId = q.nextTimerId++;
  q.timers.push_back(Timer{newId, milliseconds, proc, due});
  vsCeKernel_broadcast();
  vsCeKernel_unlock();
  return newId;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  if (hwnd != nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  vsCeKernel_lock();
  Queue& q = ownQueueLocked();
  for (auto it = q.timers.begin(); it != q.timers.end(); ++it) {
    if (it->id == id) {
      q.timers.erase(it);
      vsCeKernel_unlock();
      return TRUE;
    }
  }
  vsCeKernel_unlock();
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (msg != nullptr && msg->message == WM_TIMER && msg->lParam != 0)
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
  return 0;
}
