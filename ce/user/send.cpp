// Posting and sending to windows (see window.h): in-process straight onto
// the owning thread's queue, across processes through the device server,
// whose Deliver frames the I/O thread puts on the owning thread's queue.
#include <cstring>
#include <utility>

#include "ce/core/clock.h"
#include "ce/core/kernel_object.h"
#include "ce/core/thread.h"
#include "ce/ipc/connection.h"
#include "ce/user/queue.h"
#include "ce/user/window.h"

namespace {

uint32_t valueOf(HWND hwnd) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd)) & ~1u; }

// Ids whose parameters are integers (or WM_COPYDATA's copied bytes), the
// only ones that cross processes.
bool crossesProcesses(UINT message) {
  return message >= WM_USER || message == WM_NULL || message == WM_CLOSE || message == WM_DESTROY ||
         message == WM_COPYDATA;
}

// The checks of a message to another process's window; false with the error
// set when it cannot go.
bool mayCross(UINT message, bool send) {
  if (!crossesProcesses(message)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (message == WM_COPYDATA && !send) {
    SetLastError(ERROR_MESSAGE_SYNC_ONLY);
    return false;
  }
  return true;
}

}  // namespace

// A frame the server forwards: Deliver {send id (0 posted), hwnd, tid,
// message, wParam, lParam, cbData, data}.
bool vsCeWindow_deliverLocked(Frame* frame) {
  const uint32_t sendId = frame->u32At(0);
  const HWND hwnd = vsCeWindow_canonical(reinterpret_cast<HWND>(static_cast<uintptr_t>(frame->u32At(1))));
  const UINT message = frame->u32At(3);
  std::vector<uint8_t>& data = frame->fields[7].bytes;
  // The receiver checks what crosses as the server does.
  if (!crossesProcesses(message) || frame->u32At(6) != data.size() || (message != WM_COPYDATA && !data.empty()) ||
      (message == WM_COPYDATA && sendId == 0))
    return false;
  const auto wParam = static_cast<WPARAM>(frame->i64At(4));
  const auto lParam = static_cast<LPARAM>(frame->i64At(5));
  const DWORD thread = vsCeWindow_deliveryThreadLocked(hwnd, frame->u32At(2));
  if (sendId == 0) {
    if (thread != 0)
      vsCeQueue_postLocked(thread, MSG{hwnd, message, wParam, lParam, GetTickCount(), {0, 0}});
    return true;
  }
  if (thread == 0 ||
      !vsCeQueue_sendLocked(thread, SentMessage{hwnd, message, wParam, lParam, std::move(data), sendId, nullptr}))
    vsCeWindow_answerRemoteLocked(sendId, 0);
  return true;
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd == nullptr)
    return PostThreadMessageW(GetCurrentThreadId(), message, wParam, lParam);
  hwnd = vsCeWindow_canonical(hwnd);
  vsCeKernel_lock();
  const DWORD thread = vsCeWindow_threadLocked(hwnd);
  if (thread != 0) {
    vsCeQueue_postLocked(thread, MSG{hwnd, message, wParam, lParam, GetTickCount(), {0, 0}});
    vsCeKernel_unlock();
    return TRUE;
  }
  vsCeKernel_unlock();
  if (!mayCross(message, false))
    return FALSE;
  Frame post{FrameKind::PostMessage, 0, {}};
  post.u32(valueOf(hwnd)).u32(message).i64(static_cast<int64_t>(wParam)).i64(lParam);
  std::vector<Frame> frames;
  vsCeIpc_call(std::move(post), &frames);
  if (const uint32_t status = frames.back().u32At(0); status != 0) {
    SetLastError(status);
    return FALSE;
  }
  return TRUE;
}

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  hwnd = vsCeWindow_canonical(hwnd);
  const DWORD self = GetCurrentThreadId();
  vsCeKernel_lock();
  const DWORD thread = vsCeWindow_threadLocked(hwnd);
  if (thread == self) {
    const WNDPROC proc = vsCeWindow_procLocked(hwnd);
    vsCeKernel_unlock();
    return proc(hwnd, message, wParam, lParam);
  }
  if (thread != 0) {
    LocalSend local;
    vsCeQueue_attachLocked();
    if (vsCeQueue_sendLocked(thread, SentMessage{hwnd, message, wParam, lParam, {}, 0, &local})) {
      while (!local.done)
        if (!vsCeQueue_handleSentLocked())
          vsCeKernel_block(nullptr);
    } else {
      local.failed = true;
    }
    vsCeKernel_unlock();
    if (local.failed) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    return local.result;
  }
  vsCeKernel_unlock();
  if (!mayCross(message, true))
    return 0;
  Frame send{FrameKind::SendMessage, 0, {}};
  send.u32(valueOf(hwnd)).u32(message).i64(static_cast<int64_t>(wParam));
  if (message == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data == nullptr || data->cbData > kMaxCopyDataBytes || (data->cbData != 0 && data->lpData == nullptr)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    const auto* bytes = static_cast<const uint8_t*>(data->lpData);
    send.i64(static_cast<int64_t>(data->dwData)).u32(data->cbData);
    send.bin(std::vector<uint8_t>(bytes, bytes + data->cbData));
  } else {
    send.i64(lParam).u32(0).bin({});
  }
  const uint32_t id = vsCeIpc_request(std::move(send));
  std::vector<Frame> frames;
  vsCeKernel_lock();
  vsCeQueue_attachLocked();
  while (!vsCeIpc_takeReplyLocked(id, &frames))
    if (!vsCeQueue_handleSentLocked())
      vsCeKernel_block(nullptr);
  vsCeKernel_unlock();
  if (const uint32_t status = frames.back().u32At(0); status != 0) {
    SetLastError(status);
    return 0;
  }
  return static_cast<LRESULT>(frames.back().i64At(1));
}

BOOL TranslateMessage(const MSG* msg) {
  if (msg == nullptr || msg->message != WM_KEYDOWN)
    return FALSE;
  const WPARAM key = msg->wParam;
  WPARAM character;
  if (key == 0x20 || (key >= '0' && key <= '9'))
    character = key;
  else if (key >= 'A' && key <= 'Z')
    character = key - 'A' + 'a';
  else
    return FALSE;
  return PostMessageW(msg->hwnd, WM_CHAR, character, msg->lParam);
}
