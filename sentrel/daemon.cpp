// The daemon's requests (see daemon.h).
#include "sentrel/daemon.h"

#include "ce/fs/dirops.h"
#include "sentrel/common/errors.h"
#include "sentrel/common/requests.h"
#include "sentrel/filelog.h"
#include "sentrel/freeport.h"

namespace {

SentrelDaemon* gDaemon = nullptr;

int lLaunchForPort(DWORD port) { return gDaemon != nullptr ? gDaemon->pushReg().launchForPort(port) : 0; }

void lDeleteRequestFile(LPARAM lParam) {
  DeleteFileW(SentrelMessageFile::path(static_cast<uint16_t>(lParam)).c_str());
}

}  // namespace

SentrelDaemon::SentrelDaemon(ProgramLauncher launcher, WindowExists windowExists)
    : windowExists_(windowExists), workers_(lLaunchForPort), pushReg_(workers_, launcher) {
  gDaemon = this;
}

SentrelDaemon::~SentrelDaemon() {
  workers_.closeAll();
  gDaemon = nullptr;
}

int SentrelDaemon::start() {
  const int initialised = pushReg_.init();
  if (initialised != SentrelError_Succeeded) {
    FileLog::Print(u"g_PushReg.Init error");
    return initialised;
  }
  return pushReg_.loadListeners();
}

bool SentrelDaemon::isRequest(UINT message) {
  switch (message) {
#define VS_SENTREL_REQUEST_CASE(name, offset) case name:
    VS_SENTREL_REQUESTS(VS_SENTREL_REQUEST_CASE)
#undef VS_SENTREL_REQUEST_CASE
    return message != kReqLaunch;  // ending a window needs the window system
    default:
      return false;
  }
}

LRESULT SentrelDaemon::request(UINT message, WPARAM wParam, LPARAM lParam) {
  const DWORD port = static_cast<DWORD>(wParam & 0xFFFF);
  const uint16_t fileNumber = static_cast<uint16_t>(lParam & 0xFFFF);
  switch (message) {
    case kReqOpenPort: {
      FileLog::Print(u"WM_OpenPort: portNum=%d", static_cast<int>(port));
      const int answer = workers_.add(port, WapOpener::ExternalApp);
      if (answer == SentrelError_Succeeded && lParam != 0)
        clients_.push_back({port, static_cast<uint32_t>(lParam)});
      return answer;
    }
    case kReqClosePort: {
      const bool held = workers_.find(port) != nullptr && workers_.find(port)->holds(WapOpener::ExternalApp);
      const int answer = workers_.remove(port, WapOpener::ExternalApp);
      if (answer == SentrelError_Succeeded && held) forgetClients(port);
      return answer;
    }
    case kReqHasMessage:
    case kReqGetMessage:
    case kReqSendFinished:
      return workers_.forward(port, message, 0);
    case kReqSendMessage: {
      const int answer = workers_.forward(port, message, fileNumber);
      if (answer == SentrelError_NoSuchPortOpened || answer == SentrelError_WorkerThreadFinished ||
          answer == SentrelError_WapWorkerTimeout)
        lDeleteRequestFile(fileNumber);  // the worker never read it
      return answer;
    }
    case kReqFreePort:
      return findFreePort(probeWapPort);
    case kReqPushRegister:
      return pushReg_.add(port, fileNumber);
    case kReqPushUnregister:
      return pushReg_.unregister(port);
    case kReqPushList:
      return pushReg_.listPorts();
    case kReqPushArgs:
      return pushReg_.portArguments(port);
    case kReqAlarm:
      return pushReg_.addAlarm(fileNumber);
    default:
      return 0;
  }
}

void SentrelDaemon::forgetClients(DWORD port) {
  for (auto it = clients_.begin(); it != clients_.end();) it = it->port == port ? clients_.erase(it) : it + 1;
}

void SentrelDaemon::checkClients() {
  for (size_t i = 0; i < clients_.size();) {
    const Client client = clients_[i];
    if (windowExists_(client.window)) {
      ++i;
      continue;
    }
    FileLog::Print(u"CheckClientExist: delete port=%d", static_cast<int>(client.port));
    if (workers_.has(client.port) && workers_.remove(client.port, WapOpener::ExternalApp) <= 0)
      FileLog::Print(u"g_WapWorkerList.Delete(port=%d) failed", static_cast<int>(client.port));
    forgetClients(client.port);
  }
}

void SentrelDaemon::timer(uint64_t now) {
  pushReg_.checkAlarms(now);
  checkClients();
}
