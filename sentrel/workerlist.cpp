// WapWorkerList (see workerlist.h).
#include "sentrel/workerlist.h"

#include "ce/base/crt_printf.h"
#include "sentrel/common/errors.h"
#include "sentrel/filelog.h"

int WapWorkerList::add(DWORD port, WapOpener opener) {
  if (port == 0) {
    FileLog::Print(u"Zero port. portNum=%d", static_cast<int>(port));
    return SentrelError_CannotOpenPort;
  }
  if (WapWorker* worker = find(port)) {
    if (worker->addOpener(opener)) return SentrelError_Succeeded;
    FileLog::Print(u"Already has opened portNum=%d", static_cast<int>(port));
    FileLog::Print(u"worker.bOpenedByExtApp = %d", worker->holds(WapOpener::ExternalApp) ? 1 : 0);
    FileLog::Print(u"worker.bOpenedByPushReg = %d", worker->holds(WapOpener::PushRegistry) ? 1 : 0);
    return SentrelError_PortAlreadyOpened;
  }
  auto* worker = new WapWorker(port, launch_);
  const int opened = worker->open(opener);
  if (opened != SentrelError_Succeeded) {
    delete worker;
    return opened;
  }
  workers_.push_back(worker);
  FileLog::Print(u"WapWorkerList::Add(%d)", static_cast<int>(port));
  worker->resume();
  return SentrelError_Succeeded;
}

bool WapWorkerList::release(std::list<WapWorker*>::iterator it, WapOpener opener) {
  WapWorker* worker = *it;
  switch (worker->close(opener)) {
    case WapWorker::CloseResult::NotHeld:
    case WapWorker::CloseResult::StillHeld:
      return false;
    case WapWorker::CloseResult::StillRunning:
      workers_.erase(it);  // left alive: its thread may still use it
      return true;
    case WapWorker::CloseResult::Ended:
      FileLog::Print(u"WapWorkerList::Delete(%d)", static_cast<int>(worker->port()));
      workers_.erase(it);
      delete worker;
      return true;
  }
  return false;
}

int WapWorkerList::remove(DWORD port, WapOpener opener) {
  for (auto it = workers_.begin(); it != workers_.end(); ++it)
    if ((*it)->port() == port) {
      release(it, opener);
      return SentrelError_Succeeded;
    }
  return SentrelError_NoSuchPortOpened;
}

void WapWorkerList::closeAll() {
  while (!workers_.empty()) {
    auto it = workers_.begin();
    const bool pushHeld = (*it)->holds(WapOpener::PushRegistry);
    if (release(it, WapOpener::ExternalApp)) continue;
    if (!pushHeld || !release(it, WapOpener::PushRegistry))
      workers_.erase(it);  // held by nobody: cannot happen, but never loop
  }
}

WapWorker* WapWorkerList::find(DWORD port) const {
  for (WapWorker* worker : workers_)
    if (worker->port() == port) return worker;
  return nullptr;
}

int WapWorkerList::forward(DWORD port, UINT code, DWORD argument, DWORD timeoutMs) {
  WapWorker* worker = find(port);
  return worker == nullptr ? SentrelError_NoSuchPortOpened : worker->forward(code, argument, timeoutMs);
}

std::vector<std::u16string> WapWorkerList::pushPorts() const {
  std::vector<std::u16string> ports;
  for (const WapWorker* worker : workers_)
    if (worker->holds(WapOpener::PushRegistry)) {
      WCHAR text[16];
      _snwprintf(text, 16, u"sms://:%d", static_cast<int>(worker->port()));
      ports.emplace_back(text);
    }
  return ports;
}
