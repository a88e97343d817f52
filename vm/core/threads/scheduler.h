// The scheduler's run queues.
//
// Each priority p (1 to 10) has a circular, doubly linked queue of runnable
// threads, linked through the thread records' queue fields; slot p of the
// run-queue table (an Object[11] in root 59; slot 0 stays empty) holds its
// head. Bit p of the priority bitmap is set exactly while queue p is
// non-empty. Root 60 holds the thread chosen to run next.
//
//   table[p] -> A <-> C <-> B <-> (back to A)
//
// A thread joins a non-empty queue directly after the head (so A, B, C
// joining in that order give A, C, B) and an empty queue as its head,
// linked to itself; when the head leaves, its successor becomes the head.
// A thread's priority is word 1 of its java.lang.Thread; a value outside 1
// to 10 counts as the nearer bound, so that no priority reaches outside the
// table or a queue that is never picked.
//
// Choosing: strict priority, round robin inside a priority. The next
// thread (root 60) is the thread that should run; the interpreter switches
// to it after natives and runtime entries (vsScheduler_switchAfterNative).
// It changes only when the current thread blocks or ends and at a
// rescheduling (a yield request, a blocking native).
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"

inline constexpr int32_t kRunQueueSlots = 11;

struct SchedulerState {
  uint32_t threadCount;      // live (started, not ended) threads
  uint16_t priorityBitmap;   // bit p: queue p is non-empty
  uint8_t lastPriority;      // the priority picked last
  uint8_t unused;
  // SlaveMode: milliseconds until the VM wants to run again, for the host
  // (all ones: none recorded), and whether a slave VM is alive.
  uint32_t slaveWakeLow;
  uint32_t slaveWakeHigh;
  uint32_t slaveAlive;
};

inline constexpr int64_t kSlaveNoWake = -2;

// The recorded wake time of SlaveMode.
int64_t vsScheduler_slaveWake();
void vsScheduler_setSlaveWake(int64_t milliseconds);

extern VmVariable<SchedulerState> vsScheduler;

// Zeroes the thread count, the bitmap and the last priority, and starts
// the time slice.
void vsScheduler_initialize();
// At VM exit: the waiting list emptied, the run queues hold only the
// current thread, the thread count is 1.
void vsScheduler_exitReset();
// The VM's 11-slot Object[] of start-up roots, into root 59, where it
// serves as the run-queue table: 1, or 0 with an exception pending. Needs
// the class of Object[], so it runs once the core classes exist.
int32_t vsVm_createRootArray();
// The run-queue table: the root array above.
int32_t vsScheduler_createRunQueueTable();

// flag 1: adds the thread to the queue of its priority and makes it the
// next thread when none is chosen. flag 0: removes it; when it was the next
// thread, the queue's new head (or null) takes its place; a thread on no
// queue (null links) is left as it is.
void vsScheduler_setRunnable(const VmRef* thread, int32_t flag);

// The queue's effective priority of a thread record.
int32_t vsThread_priority(VmRef thread);

// The thread to run next, or 0 when none is runnable. When only priority 5
// is runnable: the next thread, else the head of queue 5. Otherwise the
// head of the highest non-empty queue, or its successor when the head is
// `current`; that thread becomes its queue's head, so every pick advances
// the queue. The priority is kept as the last priority.
VmRef vsScheduler_pickNext(VmRef current);

// Chooses the next thread, after waking the due sleepers and waiters:
// another runnable thread of higher priority, or the current thread's
// successor in queue 5 when only priority 5 is runnable; the current
// thread again when it is alone. While no thread is runnable the VM thread
// waits idle (vsScheduler_idleWait) and wakes due threads again; when
// nothing could ever wake a thread (no timed thread, no thread waiting in
// a native) nothing is chosen.
void vsScheduler_reschedule();

// Polls the idle wait when threads wait in natives (not in SlaveMode),
// then wakes every thread whose wake-up time has come.
void vsScheduler_wakeExpired();
// With a timed thread: waits earliest - now + 1 ms (0 when past). Without
// one: false at once when no thread waits in a native, else waits without
// limit. In SlaveMode the wait is recorded for the host and false returned.
bool vsScheduler_idleWait(bool timed, int64_t earliest);
// The idle wait of the re-entry records; a wait above 500 ms (all ones: no
// limit) stops the time slice for its length.
void vsScheduler_waitFor(uint64_t milliseconds);

// Thread.sleep of the thread for high:low milliseconds: an interrupted
// thread gets InterruptedException at once and loses its flag; otherwise
// it leaves its run queue for the sentinel's queue with its wake-up time
// (now + milliseconds, saturated) and the current thread reschedules.
void vsScheduler_sleep(uint32_t low, uint32_t high, const VmRef* thread);

// Moves a runnable thread from the queue of its old priority to the queue
// of the priority its java.lang.Thread now holds.
void vsScheduler_setPriority(const VmRef* thread, int32_t oldPriority);

// The switch point after every native and runtime entry, once the
// interpreter has saved the current thread: switches to the next thread
// (picked when none is chosen). With no runnable thread at all the VM
// thread waits for ever (vsOs_idleForever). In SlaveMode a recorded wake
// time, or no thread at all (the largest time recorded), returns to the
// host through the interpreter's exit path instead.
void vsScheduler_switchAfterNative();

// Sets the yield request (bit 0 of the yield word); the interpreter acts
// on it at its next method entry or branch. The time-slice timer calls it
// from another native thread: the yield word is the one word two native
// threads write, so the bit is set with an atomic OR, cleared with an
// atomic AND, and a new stack limit goes in with a compare-and-swap that
// keeps the bit.
void vsScheduler_requestYield();
void vsScheduler_publishStackLimit(VmWord limit);

// Runtime entry 1 on a yield request: leaves the interpreter when the VM
// exits (and no exception is pending); reschedules unless switching is
// disabled; clears the request. The interpreter switches on its way back.
void vsThread_yieldEntry(const VmRef* thread);
