// Blocking natives: suspension of a Java thread in a native and its re-entry.
//
// A native that has to wait for something outside the VM makes re-entry
// data (vsReentry_allocData: a byte[] whose first word is the index of the
// handler that decides when the thread goes on, the rest the native's),
// suspends its thread and returns. The thread waits on the waiting list
// (root 62, a ring through the queue links, monitor_queue.h) with its
// waiting flag set. Each idle wait hands the waiting records
// (waiting_records.h) to the handlers one by one; a handler resumes its
// thread (vsReentry_resumeThread), which the interpreter then sees with the
// flag set: it clears the flag and calls the native again with the same
// operands, and that second entry finds its data (vsReentry_getData). After
// a native that left the flag clear the interpreter drops the re-entry data
// reference; the cached array of CachedAsyncDataSize bytes stays with the
// thread for later small requests.
//
// Waiting record (12 bytes): {thread, address of the data's first byte,
// data length}. Handlers may allocate and may give other threads new data,
// so each record is rebuilt from its thread just before its handler runs.
//
// The handler table holds at most 5 functions, emptied at each VM start;
// an owner registers once per run and writes its index into its data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"
#include "vm/core/threads/waiting_records.h"

struct WaitingRecord {
  VmRef thread;
  VmWord data;
  uint32_t length;
};

static_assert(sizeof(WaitingRecord) == kWaitingRecordBytes);
static_assert(offsetof(WaitingRecord, data) == 4 && offsetof(WaitingRecord, length) == 8);

// handler(record, address of its own table slot): its result is the
// dispatch's.
using VsReentryHandler = int32_t (*)(WaitingRecord* record, VmWord* slot);

inline constexpr uint32_t kReentryHandlerSlots = 5;

struct ReentryState {
  uint32_t waitingCount;
  uint32_t handlerCount;
  VmWord handlers[kReentryHandlerSlots];  // functions as words
};

extern VmVariable<ReentryState> vsReentry;

// Makes a byte array of at least n bytes the current thread's re-entry
// data and returns the address of its first byte: the cached array for n
// up to CachedAsyncDataSize, else a new byte[n]. 0 with the pending
// exception cleared when it cannot be allocated.
VmWord vsReentry_allocData(int32_t n);
// The current thread's re-entry data address and length (may be null);
// 0 and length 0 without data.
VmWord vsReentry_getData(int32_t* outLength);

// Sets the current thread's waiting flag, takes it off its run queue onto
// the waiting list and reschedules; returns to the native.
void vsReentry_suspendThread();
// Takes the thread off the waiting list and makes it runnable; nothing for
// a thread that does not wait there.
void vsReentry_resumeThread(const VmRef* thread);

// The slot index 0 to 4 of the handler, or -1 when the table is full.
int32_t vsReentry_registerHandler(VsReentryHandler handler);
void vsReentry_clearHandlers();

// Rebuilds the record from its thread, then calls the handler its first
// data word names: nothing (0) for data shorter than 4 bytes or an index
// outside the registered handlers.
int32_t vsReentry_dispatch(WaitingRecord* record);

// Fills the waiting records in waiting-list order: the first record, or
// null when no thread waits; *outCount the waiting count.
WaitingRecord* vsReentry_getWaitingThreads(uint32_t* outCount);
// Record i of the waiting list, rebuilt from its thread; null when fewer
// threads wait.
WaitingRecord* vsReentry_refreshRecord(uint32_t i);

// Fills the records and runs the idle wait with the timeout (milliseconds;
// 0 polls, all ones waits without limit).
void vsReentry_waitIdle(uint64_t timeout);

// Empties the waiting list (VM exit).
void vsReentry_clearWaiting();
