// OJTimer (see ojtimer.h).
#include "port/host/ojtimer.h"

#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/core/wait.h"

OJTimer::OJTimer(const WCHAR* name, bool selfDestruct)
    : OJThread(name, selfDestruct),
      stopped_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      wake_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

OJTimer::~OJTimer() {
  for (HANDLE event : {stopped_, wake_})
    if (event != nullptr) CloseHandle(event);
}

void OJTimer::run() {
  while (!stop_) {
    tick();
    WaitForSingleObject(wake_, period_);
  }
}

void OJTimer::finalize() { SetEvent(stopped_); }

bool OJTimer::stopTimer() {
  stop_ = true;
  SetEvent(wake_);
  if (WaitForSingleObject(stopped_, 2 * period_) == WAIT_TIMEOUT) {
    OJThread_print(u"stopTimer(): WaitForSingleObject()==WAIT_TIMEOUT");
    return false;
  }
  return true;
}
