// Thread message queues (see queue.h): one Queue per thread id in a map under
// the kernel lock.
#include "ce/user/queue.h"

#include <deque>
#include <unordered_map>
#include <utility>

#include "ce/base/lasterror.h"
#include "ce/core/clock.h"
#include "ce/core/kernel_object.h"
#include "ce/core/thread.h"
#include "ce/user/window.h"

namespace {

struct Timer {
  HWND hwnd;  // null for a thread timer
  UINT_PTR id;
  UINT interval;
  TIMERPROC proc;
  DWORD due;  // on GetTickCount's clock
};

struct Queue {
  std::deque<SentMessage> sent;
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

void endedLocked(DWORD threadId) {
  auto it = queues().find(threadId);
  if (it != queues().end()) {
    for (SentMessage& sent : it->second.sent) {
      if (sent.local != nullptr) {
        sent.local->failed = true;
        sent.local->done = true;
      } else {
        vsCeWindow_answerRemoteLocked(sent.remoteId, 0);
      }
    }
    queues().erase(it);
  }
  vsCeWindow_threadEndedLocked(threadId);
}

const bool kHooksInstalled = (vsCeThread_setHooks(createdLocked, endedLocked), true);

Queue& ownQueueLocked() { return queues()[GetCurrentThreadId()]; }

bool inFilter(const MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (hwnd != nullptr && msg.hwnd != hwnd)
    return false;
  return (filterMin == 0 && filterMax == 0) || (msg.message >= filterMin && msg.message <= filterMax);
}

bool due(const Timer& timer, DWORD now) { return static_cast<int32_t>(now - timer.due) >= 0; }

// With the kernel lock held: the next message of the queue within the filter,
// taken when remove.
bool nextLocked(Queue& q, MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove) {
  for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
    if (inFilter(*it, hwnd, filterMin, filterMax)) {
      *msg = *it;
      if (remove)
        q.posted.erase(it);
      return true;
    }
  }
  const DWORD now = GetTickCount();
  const MSG quit{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, now, {0, 0}};
  if (q.quit && inFilter(quit, hwnd, filterMin, filterMax)) {
    *msg = quit;
    if (remove)
      q.quit = false;
    return true;
  }
  for (Timer& timer : q.timers) {
    const MSG tick{timer.hwnd, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.proc), now, {0, 0}};
    if (due(timer, now) && inFilter(tick, hwnd, filterMin, filterMax)) {
      *msg = tick;
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
void waitLocked(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove) {
  for (;;) {
    vsCeThread_suspensionPointLocked();
    if (vsCeQueue_handleSentLocked())
      continue;
    // The map may rehash while this thread is blocked: look the queue up anew.
    Queue& q = ownQueueLocked();
    if (nextLocked(q, msg, hwnd, filterMin, filterMax, remove))
      return;
    blockLocked(q);
  }
}

// The canonical form of a filter window; false when it is not this process's.
bool filterWindow(HWND* hwnd) {
  if (*hwnd == nullptr)
    return true;
  *hwnd = vsCeWindow_canonical(*hwnd);
  vsCeKernel_lock();
  const bool own = vsCeWindow_threadLocked(*hwnd) != 0;
  vsCeKernel_unlock();
  if (!own)
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return own;
}

}  // namespace

bool vsCeQueue_postLocked(DWORD threadId, const MSG& msg) {
  auto it = queues().find(threadId);
  if (it == queues().end())
    return false;
  it->second.posted.push_back(msg);
  vsCeKernel_broadcast();
  return true;
}

bool vsCeQueue_sendLocked(DWORD threadId, SentMessage sent) {
  auto it = queues().find(threadId);
  if (it == queues().end())
    return false;
  it->second.sent.push_back(std::move(sent));
  vsCeKernel_broadcast();
  return true;
}

void vsCeQueue_attachLocked() { ownQueueLocked(); }

bool vsCeQueue_handleSentLocked() {
  Queue& q = ownQueueLocked();
  if (q.sent.empty())
    return false;
  SentMessage sent = std::move(q.sent.front());
  q.sent.pop_front();
  const WNDPROC proc = vsCeWindow_procLocked(sent.hwnd);
  vsCeKernel_unlock();
  LRESULT result = 0;
  if (proc != nullptr) {
    if (sent.message == WM_COPYDATA && sent.local == nullptr) {
      COPYDATASTRUCT data{static_cast<ULONG_PTR>(sent.lParam), static_cast<DWORD>(sent.data.size()),
                          sent.data.data()};
      result = proc(sent.hwnd, WM_COPYDATA, sent.wParam, reinterpret_cast<LPARAM>(&data));
    } else {
      result = proc(sent.hwnd, sent.message, sent.wParam, sent.lParam);
    }
  }
  vsCeKernel_lock();
  if (sent.local != nullptr) {
    sent.local->result = result;
    sent.local->done = true;
    vsCeKernel_broadcast();
  } else {
    vsCeWindow_answerRemoteLocked(sent.remoteId, result);
  }
  return true;
}

void vsCeQueue_dropWindowLocked(DWORD threadId, HWND hwnd) {
  auto it = queues().find(threadId);
  if (it == queues().end())
    return;
  Queue& q = it->second;
  for (auto m = q.posted.begin(); m != q.posted.end();)
    m = m->hwnd == hwnd ? q.posted.erase(m) : m + 1;
  for (auto t = q.timers.begin(); t != q.timers.end();)
    t = t->hwnd == hwnd ? q.timers.erase(t) : t + 1;
}

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  const DWORD self = GetCurrentThreadId();
  vsCeKernel_lock();
  if (threadId == self)
    ownQueueLocked();  // a thread made outside the layer posting to itself
  const bool posted = vsCeQueue_postLocked(threadId, MSG{nullptr, message, wParam, lParam, GetTickCount(), {0, 0}});
  vsCeKernel_unlock();
  if (!posted) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
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
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (!filterWindow(&hwnd))
    return -1;
  vsCeKernel_lock();
  waitLocked(msg, hwnd, filterMin, filterMax, true);
  vsCeKernel_unlock();
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!filterWindow(&hwnd))
    return FALSE;
  vsCeKernel_lock();
  while (vsCeQueue_handleSentLocked()) {
  }
  const bool found = nextLocked(ownQueueLocked(), msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0);
  vsCeKernel_unlock();
  return found ? TRUE : FALSE;
}

BOOL WaitMessage() {
  MSG msg;
  vsCeKernel_lock();
  waitLocked(&msg, nullptr, 0, 0, false);
  vsCeKernel_unlock();
  return TRUE;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC proc) {
  hwnd = vsCeWindow_canonical(hwnd);
  vsCeKernel_lock();
  const DWORD owner = hwnd == nullptr ? GetCurrentThreadId() : vsCeWindow_threadLocked(hwnd);
  if (owner == 0) {
    vsCeKernel_unlock();
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (hwnd == nullptr)
    ownQueueLocked();
  Queue& q = queues()[owner];
  const DWORD due = GetTickCount() + milliseconds;
  for (Timer& timer : q.timers) {
    if (timer.hwnd == hwnd && timer.id == id) {
      timer = Timer{hwnd, id, milliseconds, proc, due};
      vsCeKernel_broadcast();
      vsCeKernel_unlock();
      return id;
    }
  }
  const UINT_PTR newId = hwnd != nullptr ? id : q.nextTimerId++;
  q.timers.push_back(Timer{hwnd, newId, milliseconds, proc, due});
  vsCeKernel_broadcast();
  vsCeKernel_unlock();
  return hwnd != nullptr && newId == 0 ? 1 : newId;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  hwnd = vsCeWindow_canonical(hwnd);
  vsCeKernel_lock();
  const DWORD owner = hwnd == nullptr ? GetCurrentThreadId() : vsCeWindow_threadLocked(hwnd);
  auto it = queues().find(owner);
  if (it != queues().end()) {
    std::vector<Timer>& timers = it->second.timers;
    for (auto t = timers.begin(); t != timers.end(); ++t) {
      if (t->hwnd == hwnd && t->id == id) {
        timers.erase(t);
        vsCeKernel_unlock();
        return TRUE;
      }
    }
  }
  vsCeKernel_unlock();
  SetLastError(hwnd != nullptr && owner == 0 ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
  return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (msg == nullptr)
    return 0;
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (msg->hwnd == nullptr)
    return 0;
  const HWND hwnd = vsCeWindow_canonical(msg->hwnd);
  vsCeKernel_lock();
  const WNDPROC proc = vsCeWindow_procLocked(hwnd);
  vsCeKernel_unlock();
  return proc != nullptr ? proc(hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}
