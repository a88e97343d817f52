// WapWorker: the owner of one WAP datagram port in Sentrel. Its thread
// receives every datagram of the port into a queue, sends the messages that
// clients queue, and carries out the requests the window thread forwards.
//
// Openers: the external application (a client) and the push registry; the
// worker lives while one of them holds it.
//
// Hand-over of a request (window thread -> worker thread), one slot under a
// lock:
//
//   window: slot = {seq, code, argument} Posted, clear done, signal request
//   worker: claims a Posted slot (-> Claimed), carries it out, -> Done,
//           signals done
//   window: after 1000 ms an unclaimed request is abandoned (slot Empty,
//           answer -6, the worker skips it); a claimed one is waited for
//           (it does only local file and queue work). No request runs after
//           its answer.
//
// The worker waits on {request event, WAP event} in that order, so a flood
// of datagrams cannot starve requests. Its queues are touched only by its
// own thread. Close ends the thread (end request, stop flag checked before
// every send and every wait) and waits up to 5 s for it; only a thread that
// ended lets the port and events go.
#pragma once

#include <atomic>
#include <deque>
#include <mutex>

#include "ce/user/message.h"
#include "ce/wap/wdp.h"
#include "port/host/ojthread.h"
#include "sentrel/common/msgfile.h"

enum class WapOpener { ExternalApp = 0, PushRegistry = 1 };

// Starts the program registered for a port (the push registry): 1 or a code.
using WapLaunchForPort = int (*)(DWORD port);

class WapWorker : public OJThread {
 public:
  WapWorker(DWORD port, WapLaunchForPort launch);
  ~WapWorker() override;

  // Opens the WAP port and the events, then creates the thread suspended:
  // 1, -3 (WAP port), -10 (events) or -4 (thread). The opener holds it.
  int open(WapOpener opener);
  // Another opener takes the worker: false when it holds it already.
  bool addOpener(WapOpener opener);
  // Runs the thread.
  void resume() { start(2); }
  // Carries out a request on the worker's thread: its answer, -11 when the
  // thread has finished, -6 when it was not taken within `timeoutMs`.
  int forward(UINT code, DWORD argument, DWORD timeoutMs);

  enum class CloseResult { NotHeld, StillHeld, Ended, StillRunning };
  // Releases the worker for an opener; the last one ends the thread and,
  // once it ended, closes the port and the events.
  CloseResult close(WapOpener opener);

  DWORD port() const { return port_; }
  bool holds(WapOpener opener) const { return opener == WapOpener::PushRegistry ? byPush_ : byClient_; }
  bool finished() const { return finished_; }

 protected:
  void run() override;
  void finalize() override;

 private:
  enum class Slot { Empty, Posted, Claimed, Done };

  int procReq(UINT code, DWORD argument);
  void receiveOne();
  void sendQueued();
  void release();

  DWORD port_;
  WapLaunchForPort launch_;
  WAP_HANDLE wap_ = 0;
  HANDLE wapEvent_ = nullptr;
  HANDLE requestEvent_ = nullptr;
  HANDLE doneEvent_ = nullptr;
  std::mutex slotLock_;
  Slot slot_ = Slot::Empty;
  UINT code_ = 0;
  DWORD argument_ = 0;
  int result_ = 0;
  std::atomic<bool> finished_{false};
  std::atomic<bool> stop_{false};
  std::atomic<bool> byPush_{false};
  std::atomic<bool> byClient_{false};
  std::deque<WapMsg> received_;
  std::deque<WapMsg> sendQueue_;
  std::deque<uint8_t> sendResults_;
};
