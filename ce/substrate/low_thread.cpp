// Low-stack threads (see low_thread.h).
#include "ce/substrate/low_thread.h"

#include <sys/mman.h>
#include <unistd.h>

#include "ce/substrate/low_memory.h"

namespace {

size_t pageSize() { return static_cast<size_t>(sysconf(_SC_PAGESIZE)); }

}  // namespace

bool vsLowThread_start(LowThread* t, void* (*fn)(void*), void* arg, size_t stackBytes) {
  const size_t page = pageSize();
  if (stackBytes < static_cast<size_t>(PTHREAD_STACK_MIN))
    stackBytes = static_cast<size_t>(PTHREAD_STACK_MIN);
  stackBytes = (stackBytes + page - 1) / page * page;
  const size_t regionBytes = stackBytes + page;
  void* region = vsLow_map(regionBytes);
  if (region == nullptr)
    return false;
  if (mprotect(region, page, PROT_NONE) != 0) {
    vsLow_unmap(region, regionBytes);
    return false;
  }
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstack(&attr, static_cast<char*>(region) + page, stackBytes);
  const int rc = pthread_create(&t->thread, &attr, fn, arg);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    vsLow_unmap(region, regionBytes);
    return false;
  }
  t->region = region;
  t->regionBytes = regionBytes;
  return true;
}

void vsLowThread_join(LowThread* t, void** result) {
  void* value = nullptr;
  pthread_join(t->thread, &value);
  if (result != nullptr)
    *result = value;
  vsLow_unmap(t->region, t->regionBytes);
  t->region = nullptr;
  t->regionBytes = 0;
}

