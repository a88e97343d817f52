// The thread queues of monitor records, and the monitor state word.
//
// A queue is one word that holds its head: the thread that has waited
// longest. Its threads form a circular, doubly linked ring through their
// queue fields (thread_record.h: next at word 3, previous at word 4), so the
// tail is the head's previous. Threads join at the tail and leave at the
// head (first in, first out); any thread can also be taken out of the
// middle. A thread is on at most one queue (run queue or monitor queue) at a
// time; one on none has null links.
//
//   queue word -> A <-> B <-> C <-> (back to A)      A first out, C last in
//
// The queue word and the links are stored through the write barrier.
//
// Monitor state word: count << 2 | state, the state in the low 2 bits (the
// lock state of a near record's hash-and-lock word, where the count is the
// identity hash).
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Puts the thread (on no queue) at the tail of the queue.
void vsMonitorQueue_append(VmRef* queue, VmRef thread);
// Takes the head off the queue: the thread with null links, or 0 when the
// queue is empty.
VmRef vsMonitorQueue_pop(VmRef* queue);
// Takes the thread off the queue wherever it stands: 1, or 0 (nothing
// changed) when the thread is not on this queue.
int32_t vsMonitorQueue_remove(VmRef* queue, VmRef thread);
// Unlinks a thread known to be on the ring whose head the word holds (a
// monitor queue or a run queue): its neighbours close the gap, the word
// takes the successor when the thread was the head (0 when it was alone),
// and the thread gets null links.
void vsMonitorQueue_unlink(VmRef* queue, VmRef thread);
// Whether the thread is on the queue.
bool vsMonitorQueue_contains(VmRef queue, VmRef thread);

inline constexpr uint32_t kMonitorStateMask = 3;

inline uint32_t vsMonitorWord_count(VmWord word) { return word >> 2; }
inline uint32_t vsMonitorWord_state(VmWord word) { return word & kMonitorStateMask; }
// Sets the count (its low 30 bits) and keeps the state bits.
inline void vsMonitorWord_setCount(VmWord* word, uint32_t count) {
  *word = count << 2 | (*word & kMonitorStateMask);
}
// Sets the state (its low 2 bits) and keeps the count; returns the old word.
inline VmWord vsMonitorWord_setState(VmWord* word, uint32_t state) {
  const VmWord old = *word;
  *word = (old & ~kMonitorStateMask) | (state & kMonitorStateMask);
  return old;
}
