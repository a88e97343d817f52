// Events (see event.h): a flag under a mutex, with a condition variable on
// the monotonic clock.
#include "ce/core/event.h"

#include <pthread.h>
#include <time.h>

#include <cerrno>

#include "ce/core/kernel_object.h"

namespace {

struct Event {
  KernelObject header;
  pthread_mutex_t mutex;
  pthread_cond_t changed;
  bool manualReset;
  bool signalled;
};

Event* eventOf(HANDLE handle) {
  return reinterpret_cast<Event*>(vsCeObject_get(handle, KernelObjectKind::Event));
}

timespec deadlineAfter(DWORD milliseconds) {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  t.tv_sec += static_cast<time_t>(milliseconds / 1000);
  t.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (t.tv_nsec >= 1000000000L) {
    t.tv_sec += 1;
    t.tv_nsec -= 1000000000L;
  }
  return t;
}

}  // namespace

HANDLE CreateEventW(LPVOID, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  if (name != nullptr)
    return nullptr;
  auto* e = new Event;
  e->header = {kKernelObjectMagic, KernelObjectKind::Event};
  pthread_mutex_init(&e->mutex, nullptr);
  pthread_condattr_t attr;
  pthread_condattr_init(&attr);
  pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
  pthread_cond_init(&e->changed, &attr);
  pthread_condattr_destroy(&attr);
  e->manualReset = manualReset != FALSE;
  e->signalled = initialState != FALSE;
  return e;
}

BOOL EventModify(HANDLE event, DWORD function) {
  Event* e = eventOf(event);
  if (e == nullptr || (function != EVENT_SET && function != EVENT_RESET))
    return FALSE;
  pthread_mutex_lock(&e->mutex);
  e->signalled = function == EVENT_SET;
  if (e->signalled)
    pthread_cond_broadcast(&e->changed);
  pthread_mutex_unlock(&e->mutex);
  return TRUE;
}

BOOL SetEvent(HANDLE event) { return EventModify(event, EVENT_SET); }

BOOL ResetEvent(HANDLE event) { return EventModify(event, EVENT_RESET); }

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  Event* e = eventOf(handle);
  if (e == nullptr)
    return WAIT_FAILED;
  const timespec deadline = deadlineAfter(milliseconds == INFINITE ? 0 : milliseconds);
  pthread_mutex_lock(&e->mutex);
  int rc = 0;
  while (!e->signalled && rc != ETIMEDOUT) {
    if (milliseconds == INFINITE)
      pthread_cond_wait(&e->changed, &e->mutex);
    else
      rc = pthread_cond_timedwait(&e->changed, &e->mutex, &deadline);
  }
  const bool passed = e->signalled;
  if (passed && !e->manualReset)
    e->signalled = false;
  pthread_mutex_unlock(&e->mutex);
  return passed ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL vsCeEvent_close(HANDLE event) {
  Event* e = eventOf(event);
  if (e == nullptr)
    return FALSE;
  e->header.magic = 0;
  pthread_cond_destroy(&e->changed);
  pthread_mutex_destroy(&e->mutex);
  delete e;
  return TRUE;
}
