// Java monitors between green threads: lock records, monitor records and
// the monitor list.
//
// All threads run on the VM thread, so a monitor is bookkeeping only. An
// uncontended lock is a lock record on the owner's Java stack; a monitor
// record in the heap exists only while some thread has to queue on the
// object (lock contention or Object.wait).
//
// Lock state (bits 1..0 of a near record's hash-and-lock word, read through
// the object's header):
//   0  unlocked: the header points at the object's near record;
//   1  locked by one thread: the header points at the near copy inside the
//      owner's lock record;
//   3  locked with threads queued to take it: as 1, and the owner's record
//      names the monitor record.
//
// Lock record (7 words in an interpreter frame, below the frame):
//
//   +0   owner        thread record
//   +4   savedNear    the near record the header held before locking;
//                     0 in a recursive entry by the owner
//   +8   monitor      the monitor record while the lock is contended, else 0
//   +12  nearCopy     {class record, class info, hash and lock state}; the
//                     header points here while the object is locked
//   +24  object       the locked object, 0 while the record is free
//
// So the owner lies 12 bytes and the saved near 8 bytes before the near
// copy that a locked object's header points at.
//
// Monitor record (kind -33, 20 bytes): {header, object, queue, waitSet,
// next}. `queue` is the entry queue: the threads waiting to take the lock,
// in arrival order (monitor_queue.h). `waitSet` holds the threads in
// Object.wait. The record is found by its object (one per object, found
// before one is made) and is unlinked as soon as both queues are empty.
//
// Monitor list: the permanent sentinel record (object null) in root 40,
// followed by the records of live monitors through `next`. The sentinel's
// queue holds the sleeping threads.
//
// Interrupts: only a sleeping thread or one in a wait set is woken with
// InterruptedException (a waiter receives it after it took the lock
// again); a thread on an entry queue, in a native or runnable only keeps
// bit 31 of its flags, which its next wait or sleep turns into the
// exception at once.
//
// Invariants kept here:
//   - an owner's record names the monitor (state 3) exactly while the
//     monitor's entry queue is non-empty; otherwise its state is 1 and its
//     monitor 0;
//   - a thread on an entry queue is on no run queue; its lock record lies
//     at (stack base + its lock-record offset) and holds no object;
//   - an unlock hands the lock only to the head of the entry queue; notify
//     takes threads only from the wait set.
//
// Blocking and waking change queues and thread records only: the caller
// switches threads afterwards. Functions taking `const VmRef*` take a GC
// handle. Failures leave an exception pending and return 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vm/core/model/kinds.h"
#include "vm/core/model/object_layout.h"

struct LockRecord {
  VmRef owner;
  VmWord savedNear;
  VmRef monitor;
  ObjectNear nearCopy;
  VmRef object;
};

inline constexpr uint32_t kLockRecordBytes = 28;
inline constexpr uint32_t kLockRecordWords = kLockRecordBytes / 4;
// From the near copy that a locked header points at back to its record.
inline constexpr uint32_t kLockRecordNearCopyOffset = 12;

static_assert(sizeof(LockRecord) == kLockRecordBytes);
static_assert(offsetof(LockRecord, owner) == 0 && offsetof(LockRecord, savedNear) == 4);
static_assert(offsetof(LockRecord, monitor) == 8);
static_assert(offsetof(LockRecord, nearCopy) == kLockRecordNearCopyOffset);
static_assert(offsetof(LockRecord, object) == 24);

struct MonitorRecord {
  VmWord header;
  VmRef object;
  VmRef queue;
  VmRef waitSet;
  VmRef next;
};

static_assert(sizeof(MonitorRecord) == kMonitorRecordBytes);
static_assert(vsKind_info(kKindMonitor).fixedSize == kMonitorRecordBytes);
// Every field but the header is a reference of the kind's map.
static_assert(vsKind_info(kKindMonitor).referenceWordCount == 4);
static_assert(offsetof(MonitorRecord, object) == 4 && offsetof(MonitorRecord, queue) == 8);
static_assert(offsetof(MonitorRecord, waitSet) == 12 && offsetof(MonitorRecord, next) == 16);

inline constexpr uint32_t kLockUnlocked = 0;
inline constexpr uint32_t kLockOwned = 1;
inline constexpr uint32_t kLockContended = 3;

// Makes the sentinel of an empty monitor list (root 40): 1, or 0 with
// OutOfMemoryError pending. The class image brings its own.
int32_t vsMonitor_createSentinel();

// The object's monitor record from the list, or 0.
VmRef vsMonitor_find(const VmRef* object);
// Inserts a new record directly after the sentinel.
void vsMonitor_link(const VmRef* monitor);
// Takes the record out of the list; nothing when it is not there.
void vsMonitor_unlink(const VmRef* monitor);

// The lock state of the object (0, 1 or 3).
uint32_t vsMonitor_lockState(VmRef object);
// The lock record that holds the object's lock, or null when unlocked.
LockRecord* vsMonitor_ownerRecord(VmRef object);
// True when the object is locked and its lock record's owner is the thread.
bool vsMonitor_isOwner(const VmRef* object, const VmRef* thread);

// Monitor enter on behalf of the thread, with the record's object set and
// the record inside the thread's stack:
//   - unlocked: the record takes the lock (state 1);
//   - held by the same thread: a recursive entry, saved near 0;
//   - held by another thread: the thread queues on the object's monitor
//     record (found or made and linked), leaves its run queue and keeps its
//     record's offset; the owner's record becomes contended (state 3). The
//     record's object is cleared until the lock is handed over.
// A null object raises NullPointerException. 1, or 0 with an exception
// pending; a monitor record that cannot be allocated leaves
// OutOfMemoryError pending and nothing changed.
int32_t vsMonitor_lock(const VmRef* thread, LockRecord* record);

// Completes the exit of a contended lock, after the record was freed and
// the object's saved near put back into its header: the head of the
// monitor's entry queue becomes runnable and takes the lock in its own
// record (contended again when more threads queue). A monitor left with
// both queues empty is unlinked. A record without monitor does nothing.
// The object still being locked (the record no longer owns it) raises
// IllegalMonitorStateException. 1, or 0 with the exception pending.
int32_t vsMonitor_unlock(LockRecord* record);

// The whole monitor exit of a record: a recursive entry only frees the
// record; the record that holds the lock puts the saved near back into the
// object's header, is freed and runs vsMonitor_unlock. A free record, or
// one that neither holds the lock nor is a recursive entry, raises
// IllegalMonitorStateException. 1, or 0 with the exception pending.
int32_t vsMonitor_release(LockRecord* record);
// The form used while frames are unwound: a free record, or one without
// saved near, is left as it is; otherwise as vsMonitor_release.
int32_t vsMonitor_releaseUnwinding(LockRecord* record);

// Object.notify (all = 0) and Object.notifyAll (all = 1) by the thread: a
// thread that does not own the lock raises IllegalMonitorStateException
// with code 114 (notify) or 115 (notifyAll). Otherwise the first thread of
// the wait set (every one, for all) is woken to take the lock again
// (vsMonitor_wake); the entry queue is left alone. 1, or 0 with an
// exception pending.
int32_t vsMonitor_notify(const VmRef* object, int32_t all, const VmRef* thread);

// Wakes a thread that is on no queue: it becomes runnable and, for an
// object's monitor (not the sentinel), its lock record gets the object back
// and it runs vsMonitor_lock, so that it takes the lock or queues again
// behind the owner. 1, or 0 with an exception pending.
int32_t vsMonitor_wake(const VmRef* thread, const VmRef* monitor);

// Wake-up times: 64-bit milliseconds of vsOs_currentTimeMillis, 0 for none.
// A sum beyond the largest time saturates to it; a sum of 0 (a sleep of 0
// at time 0) becomes 1, since 0 would mean no time at all.
inline constexpr int64_t kLargestWakeTime = 0x7fffffffffffffffLL;
int64_t vsThread_wakeTime(VmRef thread);
void vsThread_setWakeTime(VmRef thread, int64_t time);
int64_t vsThread_wakeTimeAfter(int64_t now, int64_t milliseconds);

// Object.wait by the thread, timeout milliseconds given as two words (0 for
// no limit). A thread that does not own the lock raises
// IllegalMonitorStateException (113); an interrupted thread gets
// InterruptedException at once and loses its flag. Otherwise the thread
// joins the wait set of the object's monitor record (found or made) with
// its wake-up time, and releases the lock completely through the record
// that holds it, whose offset it keeps. 1, or 0 with an exception pending.
int32_t vsMonitor_wait(const VmRef* object, uint32_t timeoutLow, uint32_t timeoutHigh, const VmRef* thread);

// Takes the thread off its run queue, sets its wake-up time (timeout above
// 0: now + timeout; else none) and puts it at the end of the queue; the
// current thread then reschedules.
void vsMonitor_timedBlock(const VmRef* thread, VmRef* queue, int64_t timeout);

// Thread.interrupt: a sleeping thread, or one in a wait set, gets
// InterruptedException (vsMonitor_throwInterrupted) and is woken, a waiter
// to take its lock again first. Any other thread (runnable, queued to
// enter a monitor, waiting in a native) only gets its interrupted flag.
void vsMonitor_interrupt(const VmRef* thread);
// Wakes every sleeper and every waiter whose wake-up time is not later
// than now; records left with empty queues are unlinked.
void vsMonitor_wakeExpired(int64_t now);

// InterruptedException in the thread: pending when it is current, else its
// deferred exception.
void vsMonitor_throwInterrupted(const VmRef* thread);
// True, and the flag cleared with InterruptedException raised in the
// current thread, when the thread's interrupted flag is set.
bool vsMonitor_takeInterrupt(const VmRef* thread);

// The identity hash of the object (30 bits, never 0), drawn on first use
// into a near record of the object's own, kept across locking. 0 with
// OutOfMemoryError pending when that record cannot be made.
int32_t vsMonitor_ensureHash(const VmRef* object);
