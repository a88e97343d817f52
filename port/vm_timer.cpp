// The VM timer thread (see vm_timer.h).
#include "port/vm_timer.h"

#include <mutex>

#include "ce/core/critical_section.h"
#include "ce/core/thread.h"
#include "port/trace.h"
#include "port/vm_tick.h"

namespace {

constexpr DWORD kTimerStackBytes = 10240;

struct VmTimerBlock {
  CRITICAL_SECTION lock;
  uint32_t period;
  HANDLE thread;
  VmTimerHandler handler;
  uint32_t stop;  // never set: the thread lives until the process ends
};

VmTimerBlock gTimer;
std::once_flag gTimerLockInitialised;

uint32_t currentPeriod() {
  EnterCriticalSection(&gTimer.lock);
  const uint32_t period = gTimer.period;
  LeaveCriticalSection(&gTimer.lock);
  return period;
}

DWORD VmTimerThreadFunc(LPVOID) {
  while (gTimer.stop == 0) {
    Sleep(currentPeriod());
    uint32_t high, low;
    JkGetTickCount64(&high, &low);
    EnterCriticalSection(&gTimer.lock);
    if (gTimer.handler != nullptr)
      gTimer.handler();
    LeaveCriticalSection(&gTimer.lock);
  }
  return 0;
}

}  // namespace

uint32_t JkSetVmTimerHandler(VmTimerHandler handler, uint32_t period) {
  TracePrintfA("JkSetVmTimerHandler\n");
  std::call_once(gTimerLockInitialised, [] { InitializeCriticalSection(&gTimer.lock); });
  EnterCriticalSection(&gTimer.lock);
  gTimer.handler = handler;
  gTimer.period = period;
  if (gTimer.thread == nullptr) {
    DWORD id = 0;
    gTimer.thread = CreateThread(nullptr, kTimerStackBytes, VmTimerThreadFunc, nullptr, 0, &id);
    if (gTimer.thread != nullptr) {
      TracePrintfA("CreateThread(VmTimerThreadFunc), ThreadID=0x%08X\n", static_cast<unsigned>(id));
      SetThreadPriority(gTimer.thread, THREAD_PRIORITY_TIME_CRITICAL);
    } else {
      TracePrintfA("CreateThread(VmTimerThreadFunc) failed\n");
    }
  }
  LeaveCriticalSection(&gTimer.lock);
  return period;
}
