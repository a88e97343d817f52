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
};

extern VmVariable<SchedulerState> vsScheduler;

// Zeroes the thread count, the bitmap and the last priority. The time
// slice is started by the VM timer's owner.
void vsScheduler_initialize();
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

// Chooses the next thread: another runnable thread of higher priority,
// or the current thread's successor in queue 5 when only priority 5 is
// runnable; the current thread again when it is alone. Nothing is chosen
// when no thread is runnable.
void vsScheduler_reschedule();

// The switch point after every native and runtime entry, once the
// interpreter has saved the current thread: switches to the next thread
// (picked when none is chosen). With no runnable thread at all the VM
// thread waits for ever (vsOs_idleForever).
void vsScheduler_switchAfterNative();

// Sets the yield request (bit 0 of the yield word); the interpreter acts
// on it at its next method entry or branch. The time-slice timer calls it
// from another native thread: a single word bit set.
void vsScheduler_requestYield();

// Runtime entry 1 on a yield request: leaves the interpreter when the VM
// exits (and no exception is pending); reschedules unless switching is
// disabled; clears the request. The interpreter switches on its way back.
void vsThread_yieldEntry(const VmRef* thread);
