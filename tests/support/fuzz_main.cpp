// The persistent low-stack thread of the fuzz targets (see fuzz_main.h).
#include "tests/support/fuzz_main.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "ce/substrate/low_thread.h"

namespace {

constexpr size_t kStackBytes = size_t{16} << 20;

struct Handoff {
  std::mutex lock;
  std::condition_variable changed;
  VsFuzzBody body = nullptr;
  const uint8_t* data = nullptr;
  size_t size = 0;
  bool pending = false;
};

Handoff& handoff() {
  static Handoff* h = new Handoff;
  return *h;
}

void* worker(void*) {
  Handoff& h = handoff();
  std::unique_lock<std::mutex> guard(h.lock);
  for (;;) {
    h.changed.wait(guard, [&] { return h.pending; });
    guard.unlock();
    h.body(h.data, h.size);
    guard.lock();
    h.pending = false;
    h.changed.notify_all();
  }
  return nullptr;
}

void startWorker() {
  static LowThread thread;
  if (!vsLowThread_start(&thread, worker, nullptr, kStackBytes)) {
    std::fprintf(stderr, "cannot start the low-stack fuzz thread\n");
    std::abort();
  }
}

}  // namespace

void vsFuzz_runOnLowStack(VsFuzzBody body, const uint8_t* data, size_t size) {
  static std::once_flag started;
  std::call_once(started, startWorker);
  Handoff& h = handoff();
  std::unique_lock<std::mutex> guard(h.lock);
  h.body = body;
  h.data = data;
  h.size = size;
  h.pending = true;
  h.changed.notify_all();
  h.changed.wait(guard, [&] { return !h.pending; });
}
