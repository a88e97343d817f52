// A heap, a memory service of 64 KiB, the VM sync object and a running VM
// state, with the event system started: the ground of the event tests.
#pragma once

#include <gtest/gtest.h>

#include "ce/substrate/low_memory.h"
#include "port/vm_sync.h"
#include "tests/core/exception_double.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/threads/reentry.h"
#include "vm/services/events/event_posters.h"
#include "vm/services/events/event_queue.h"
#include "vm/services/events/event_wait.h"
#include "vm/services/memory/memory_service.h"

inline constexpr uint32_t kEventTestMemoryBytes = 64 * 1024;

// Starts the event system over its own memory-service chunk; the VM runs.
inline void vsEventTest_start(void** chunk) {
  *chunk = vsLow_alloc(kEventTestMemoryBytes);
  ASSERT_NE(*chunk, nullptr);
  ASSERT_EQ(vsMemory_initialize(*chunk, kEventTestMemoryBytes), 0);
  ASSERT_TRUE(VmSyncCreate());
  vsReentry_clearHandlers();
  vsEventQueueIds = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0};
  vsPendingEvents = {};
  vsK6Event_initialize();
  vsVmState().running = 1;
  vsVmState().suspending = 0;
}

inline void vsEventTest_stop(void* chunk) {
  vsVmState().running = 0;
  vsVmState().suspending = 0;
  VmSyncDelete();
  vsLow_free(chunk);
}
