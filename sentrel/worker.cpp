// WapWorker (see worker.h).
#include "sentrel/worker.h"

#include <cstring>
#include <vector>

#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/core/wait.h"
#include "sentrel/common/errors.h"
#include "sentrel/common/requests.h"
#include "sentrel/filelog.h"

namespace {

constexpr DWORD kEndWaitMs = 5000;
constexpr DWORD kEndRequestMs = 1000;

}  // namespace

WapWorker::WapWorker(DWORD port, WapLaunchForPort launch)
    : OJThread(u"OJTimer", false), port_(port), launch_(launch) {}

WapWorker::~WapWorker() { release(); }

void WapWorker::release() {
  if (wap_ != 0) WapClose(wap_);  // closes the WAP event too
  wap_ = 0;
  wapEvent_ = nullptr;
  for (HANDLE* event : {&requestEvent_, &doneEvent_})
    if (*event != nullptr) {
      CloseHandle(*event);
      *event = nullptr;
    }
}

int WapWorker::open(WapOpener opener) {
  (opener == WapOpener::PushRegistry ? byPush_ : byClient_) = true;
  const HRESULT hr = WapOpen(WAP_LAYER_WDP, port_, &wap_, &wapEvent_);
  if (hr != S_OK) {
    FileLog::Print(u"WapOpen error portNum=%d, hr=0x%08X", static_cast<int>(port_),
                   static_cast<unsigned>(hr));
    wap_ = 0;
    return SentrelError_CannotOpenPort;
  }
  requestEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  doneEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (requestEvent_ == nullptr || doneEvent_ == nullptr) {
    release();
    return SentrelError_CannotCreateEvent;
  }
  if (start(1) != 1) {
    release();
    return SentrelError_CreateThreadFailed;
  }
  return SentrelError_Succeeded;
}

bool WapWorker::addOpener(WapOpener opener) {
  std::atomic<bool>& flag = opener == WapOpener::PushRegistry ? byPush_ : byClient_;
  if (flag) return false;
  flag = true;
  return true;
}

int WapWorker::forward(UINT code, DWORD argument, DWORD timeoutMs) {
  if (finished_) return SentrelError_WorkerThreadFinished;
  {
    std::lock_guard<std::mutex> guard(slotLock_);
    code_ = code;
    argument_ = argument;
    slot_ = Slot::Posted;
  }
  ResetEvent(doneEvent_);
  SetEvent(requestEvent_);
  WaitForSingleObject(doneEvent_, timeoutMs);
  std::unique_lock<std::mutex> guard(slotLock_);
  if (slot_ == Slot::Posted) {
    slot_ = Slot::Empty;  // abandoned: the worker skips it
    return SentrelError_WapWorkerTimeout;
  }
  while (slot_ == Slot::Claimed) {
    guard.unlock();
    WaitForSingleObject(doneEvent_, INFINITE);
    guard.lock();
  }
  slot_ = Slot::Empty;
  return result_;
}

WapWorker::CloseResult WapWorker::close(WapOpener opener) {
  std::atomic<bool>& flag = opener == WapOpener::PushRegistry ? byPush_ : byClient_;
  if (!flag) return CloseResult::NotHeld;
  flag = false;
  if (byPush_ || byClient_) return CloseResult::StillHeld;
  if (threadHandle() != nullptr) {
    if (state() == kRunning && !finished_) forward(kReqClosePort, 0, kEndRequestMs);
    stop_ = true;
    SetEvent(requestEvent_);
    if (state() == kSuspended) start(2);  // a thread that never ran ends at once
    if (WaitForSingleObject(threadHandle(), kEndWaitMs) != WAIT_OBJECT_0) {
      FileLog::Print(u"WapWorker port=%d: the thread did not end", static_cast<int>(port_));
      return CloseResult::StillRunning;
    }
  }
  release();
  return CloseResult::Ended;
}

void WapWorker::finalize() {
  finished_ = true;
  FileLog::Print(u"WapWorke::finalize(): hThread = 0x%08X, threadID= 0x%08X",
                 static_cast<unsigned>(reinterpret_cast<uintptr_t>(threadHandle())),
                 static_cast<unsigned>(threadId()));
}

void WapWorker::run() {
  FileLog::Print(u"WapListener::Run()");
  const HANDLE events[2] = {requestEvent_, wapEvent_};
  for (;;) {
    sendQueued();
    if (stop_) return;
    const DWORD waited = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (stop_) return;
    if (waited == WAIT_OBJECT_0 + 1) {
      receiveOne();
      continue;
    }
    if (waited != WAIT_OBJECT_0) return;
    UINT code;
    DWORD argument;
    {
      std::lock_guard<std::mutex> guard(slotLock_);
      if (slot_ != Slot::Posted) continue;  // abandoned meanwhile
      slot_ = Slot::Claimed;
      code = code_;
      argument = argument_;
    }
    const bool end = code == kReqClosePort;
    const int result = end ? SentrelError_Succeeded : procReq(code, argument);
    {
      std::lock_guard<std::mutex> guard(slotLock_);
      result_ = result;
      slot_ = Slot::Done;
    }
    SetEvent(doneEvent_);
    if (end) return;
  }
}

void WapWorker::sendQueued() {
  while (!sendQueue_.empty() && !stop_) {
    const WapMsg& m = sendQueue_.front();
    WDP_UNITDATA d{};
    d.base = {m.type, m.layer, m.validFields};
    d.waSourceAddress.watAddressType = m.sourceType;
    std::memcpy(d.waSourceAddress.ptsAddress, m.sourceAddress, sizeof m.sourceAddress);
    d.dwSourcePort = m.sourcePort;
    d.waDestinationAddress.watAddressType = m.destinationType;
    std::memcpy(d.waDestinationAddress.ptsAddress, m.destinationAddress, sizeof m.destinationAddress);
    d.dwDestinationPort = m.destinationPort;
    d.pbUserData = m.payload.data();
    d.dwUserDataSize = static_cast<DWORD>(m.payload.size());
    const bool sent = WapSend(wap_, &d.base) >= 0;
    sendQueue_.pop_front();
    FileLog::Print(u"::WapSend(): bRes=%d", sent ? 1 : 0);
    sendResults_.push_back(sent ? 1 : 0);
  }
}

void WapWorker::receiveOne() {
  DWORD size = 0;
  if (WapGetNextPrimitiveSize(wap_, &size) != S_OK || size < sizeof(WDP_UNITDATA)) return;
  std::vector<uint8_t> buffer(size);
  auto* d = reinterpret_cast<WDP_UNITDATA*>(buffer.data());
  if (WapRead(wap_, &d->base, size) != S_OK) return;  // dropped
  const uint8_t* payload = d->pbUserData;
  if (d->dwUserDataSize > 0 &&
      (payload < buffer.data() + sizeof(WDP_UNITDATA) || payload + d->dwUserDataSize > buffer.data() + size))
    return;
  WapMsg m;
  m.type = d->base.Type;
  m.layer = d->base.Layer;
  m.validFields = d->base.dwValidFields;
  m.sourceType = d->waSourceAddress.watAddressType;
  std::memcpy(m.sourceAddress, d->waSourceAddress.ptsAddress, sizeof m.sourceAddress);
  m.sourceAddress[kWapAddressUnits - 1] = 0;
  m.sourcePort = d->dwSourcePort;
  m.destinationType = d->waDestinationAddress.watAddressType;
  std::memcpy(m.destinationAddress, d->waDestinationAddress.ptsAddress, sizeof m.destinationAddress);
  m.destinationAddress[kWapAddressUnits - 1] = 0;
  m.destinationPort = d->dwDestinationPort;
  m.payload.assign(payload, payload + d->dwUserDataSize);
  received_.push_back(std::move(m));
  if (byPush_ && launch_ != nullptr && launch_(port_) < 1)
    FileLog::Print(u"g_PushReg.LaunchMidlet port=%d failed", static_cast<int>(port_));
}

int WapWorker::procReq(UINT code, DWORD argument) {
  switch (code) {
    case kReqHasMessage:
      return received_.empty() ? SentrelError_NoRecvMsg : SentrelError_HasRecvMsg;
    case kReqGetMessage: {
      if (received_.empty()) return SentrelError_NoRecvMsg;
      FileLog::Print(u"WapListener::ProcReq(): WM_Listener_GetRecvMsg");
      const int number = received_.front().writeToFile();
      if (number > 0) received_.pop_front();  // only once its file is whole
      return number;
    }
    case kReqSendMessage: {
      WapMsg m;
      SentrelMessageFile file;
      if (file.open(static_cast<uint16_t>(argument), true) != 1 || !m.readFromFile(file))
        m = WapMsg();  // an empty record, whose send fails
      file.close();
      sendQueue_.push_back(std::move(m));
      return SentrelError_Succeeded;
    }
    case kReqSendFinished: {
      if (!sendQueue_.empty()) return SentrelError_WapSendNotFinished;
      bool failed = false;
      for (uint8_t sent : sendResults_) failed = failed || sent == 0;
      sendResults_.clear();
      return failed ? SentrelError_WapSendFailed : SentrelError_WapSendSucceeded;
    }
    default:
      return 0;
  }
}
