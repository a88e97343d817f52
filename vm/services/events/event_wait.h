// Java event threads blocked for their events, and the VM wake-up.
//
// A Java event thread with nothing to take blocks through the re-entry
// mechanism of blocking natives: its re-entry data (12 bytes) is
//   {module's re-entry handler index, event thread id, woken flag}
// with the flag set while it waits, and its table entry is marked waiting.
// The idle wait runs the wake-up passes: each waiting entry of the kind
// that has an event gets its thread resumed; the flag stays set, so the
// native, entered again, knows it was woken.
//
// The VM wake-up is a flag (a VM variable) and the platform's wake event,
// both set by every post and cleared by the idle wait before it sleeps.
#pragma once

#include <cstdint>

#include "vm/core/threads/reentry.h"

// Re-entry data words of a blocked event thread.
inline constexpr int32_t kVsEventWaitDataBytes = 12;
enum : int32_t { kVsEventWaitHandler = 0, kVsEventWaitThread = 1, kVsEventWaitWoken = 2 };

struct VsEventWaitState {
  int32_t handlerId;       // the module's re-entry handler index
  int32_t blockedThreads;  // Java threads blocked in the module
  int32_t wakePending;     // the VM wake flag
};

extern VmVariable<VsEventWaitState> vsEventWait;

// Registers the module's re-entry handler and clears the counters: false
// when the handler table is full.
bool vsK6Event_initializeWaiting();

// Blocks the current Java thread until an event for the thread id comes.
void vsK6Event_waitEvent(int32_t threadId);
// Blocks (1) only when no event waits for the thread id.
int32_t vsK6Event_waitIfEmpty(int32_t threadId);
// Resumes the blocked threads of the kind that have events, matching them
// by their re-entry records: 1 when any was woken.
int32_t vsK6Event_wakeThreads(int32_t kind, WaitingRecord* records, uint32_t count);

void vsVm_wake();
void vsVm_clearWake();
int32_t vsVm_isWakePending();
