// Test hooks of the CE file calls (see testhooks.h).
#include "ce/fs/testhooks.h"

#include <atomic>

namespace {

std::atomic<int64_t> gFreeSpace{-1};

}  // namespace

void vsCeFs_setFreeSpaceAnswer(int64_t bytes) { gFreeSpace = bytes < 0 ? -1 : bytes; }

int64_t vsCeFs_freeSpaceAnswer() { return gFreeSpace; }
