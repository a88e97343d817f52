// Test hooks of the CE file calls (see testhooks.h).
#include "ce/fs/testhooks.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<int64_t> gFreeSpace{-1};
std::atomic<int64_t> gMutations{0};
std::atomic<int64_t> gKillAt{0};
std::atomic<bool> gFlushSkipped{false};

}  // namespace

void vsCeFs_setFreeSpaceAnswer(int64_t bytes) { gFreeSpace = bytes < 0 ? -1 : bytes; }

int64_t vsCeFs_freeSpaceAnswer() { return gFreeSpace; }

int64_t vsCeFs_mutationCount() { return gMutations; }

void vsCeFs_setKillAtMutation(int64_t call) { gKillAt = call < 0 ? 0 : call; }

bool vsCeFs_countMutation() {
  const int64_t call = ++gMutations;
  return gKillAt != 0 && call == gKillAt;
}

void vsCeFs_killNow() {
  kill(getpid(), SIGKILL);
  // SIGKILL cannot be caught; should it not arrive at once, never return.
  for (;;) pause();
}

void vsCeFs_setFlushSkipped(bool skipped) { gFlushSkipped = skipped; }

bool vsCeFs_flushSkipped() { return gFlushSkipped; }
