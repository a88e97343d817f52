// OJTimer, a thread that ticks once per period until it is stopped: run
// calls the subclass's tick, then waits the period, while the stop flag is
// clear; finalize signals "stopped". stopTimer sets the flag, cuts the
// period's wait short and waits for "stopped" at most twice the period (a
// time-out is written to the OJThread sink as
// "stopTimer(): WaitForSingleObject()==WAIT_TIMEOUT").
#pragma once

#include <atomic>

#include "port/host/ojthread.h"

class OJTimer : public OJThread {
 public:
  OJTimer(const WCHAR* name, bool selfDestruct);
  ~OJTimer() override;

  void setPeriod(DWORD milliseconds) { period_ = milliseconds; }
  DWORD period() const { return period_; }
  // True when the thread signalled its end within twice the period.
  bool stopTimer();

 protected:
  virtual void tick() = 0;
  void run() override;
  void finalize() override;

 private:
  std::atomic<DWORD> period_{1000};
  std::atomic<bool> stop_{false};
  HANDLE stopped_;
  HANDLE wake_;  // set by stopTimer: the period's wait ends at once
};
