// The VM's event queues: the road by which other threads reach the VM thread.
//
// Any thread posts the words of an event into a queue under the VM critical
// section and wakes the VM; only the VM thread takes events, for the Java
// event thread that serves the queue. A queue is a ring of 32-bit words:
//
//   fixed length:     | e0 w0..wn-1 | e1 w0..wn-1 | ...        (n = eventWords)
//   variable length:  | hdr | w0..wk-1 | hdr | ... |            hdr = seq << 16 | k
//
// k is 1..eventWords; a variable event costs k + 1 ring words. seq is the
// sequence number of the queue's group (0 without a group): the events of
// one group come out in posting order. At 65535 a group is renumbered from
// its oldest waiting event before the next post.
//
// An event thread serves one queue, a cevent thread several groups, taken
// in ascending group number; thread ids are kind | 0x100 | slot (event
// thread) or kind | 0x200 | slot (cevent thread), kind one of 0x10000,
// 0x20000, 0x40000 or 0. Queue ids are indexes of the queue table, from 1.
//
// All records are runs of 32-bit words in memory-service blocks; the
// tables and counters are VM variables, rebuilt by vsK6Event_initialize
// for every run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "ce/substrate/vm_word.h"
#include "vm/core/startup/service_hooks.h"

struct VsEventGroup;

struct VsEventQueue {
  int32_t id;  // -1 until registered
  VmPtr<uint32_t> ring;
  int32_t writeIndex;
  int32_t readIndex;
  int32_t ringWords;
  int32_t usedWords;  // header words included
  VmPtr<uint32_t> readBuffer;  // eventWords words: the last event taken
  int32_t eventWords;
  int32_t threadId;  // -1 until a thread serves the queue
  VmPtr<VsEventGroup> group;
  int32_t fixedLength;
  int32_t eventCount;
};
static_assert(sizeof(VsEventQueue) == 48);
static_assert(offsetof(VsEventQueue, ring) == 4 && offsetof(VsEventQueue, usedWords) == 20);
static_assert(offsetof(VsEventQueue, readBuffer) == 24 && offsetof(VsEventQueue, group) == 36);
static_assert(offsetof(VsEventQueue, eventCount) == 44);

struct VsEventGroup {
  int32_t groupNumber;
  VmPtr<VmPtr<VsEventQueue>> queues;
  int32_t queueCount;
  int32_t sequence;  // the next event's sequence number
  int32_t ceventThreadId;
};
static_assert(sizeof(VsEventGroup) == 20);
static_assert(offsetof(VsEventGroup, queues) == 4 && offsetof(VsEventGroup, sequence) == 12);

struct VsEventThreadEntry {
  int32_t id;
  VmPtr<VsEventQueue> queue;
  int32_t waiting;  // 1 while a Java thread is blocked for this id
};
static_assert(sizeof(VsEventThreadEntry) == 12 && offsetof(VsEventThreadEntry, waiting) == 8);

struct VsCeventThreadEntry {
  int32_t id;
  VmPtr<VmPtr<VsEventGroup>> groups;  // ascending groupNumber
  int32_t groupCount;
  int32_t waiting;
};
static_assert(sizeof(VsCeventThreadEntry) == 16 && offsetof(VsCeventThreadEntry, waiting) == 12);

// Thread kinds and the two tables' marks.
inline constexpr int32_t kVsEventKindSystem = 0x10000;
inline constexpr int32_t kVsEventKindUi = 0x20000;
inline constexpr int32_t kVsEventKindOther = 0x40000;
inline constexpr int32_t kVsEventThreadMark = 0x100;
inline constexpr int32_t kVsCeventThreadMark = 0x200;
inline constexpr int32_t kVsEventKindMask = 0xff0000;

// Table sizes at each start; a full table grows by one slot.
inline constexpr int32_t kVsQueueTableCapacity = 30;
inline constexpr int32_t kVsEventThreadCapacity = 20;
inline constexpr int32_t kVsCeventThreadCapacity = 10;
inline constexpr int32_t kVsThreadSlots = 256;
// The highest group sequence before renumbering.
inline constexpr int32_t kVsLastSequence = 65535;

// filter(words, count, queueId): 0 swallows the event (the post answers 1);
// read(buffer, count, queueId) sees every event taken.
using VsEventFilterHook = int32_t (*)(const uint32_t* words, int32_t count, int32_t queueId);
using VsEventReadHook = void (*)(const uint32_t* words, int32_t count, int32_t queueId);

struct VsEventTables {
  VmPtr<VmPtr<VsEventQueue>> queues;
  int32_t queueCapacity;
  int32_t queueCount;  // the next free slot; slot 0 is never used
  VmPtr<VsEventThreadEntry> eventThreads;
  int32_t eventThreadCapacity;
  int32_t eventThreadCount;
  VmPtr<VsCeventThreadEntry> ceventThreads;
  int32_t ceventThreadCapacity;
  int32_t ceventThreadCount;
  int32_t totalEvents;  // events waiting in all queues
  VmWord filterHook;
  VmWord readHook;
};
static_assert(sizeof(VsEventTables) == 48 && offsetof(VsEventTables, totalEvents) == 36);

extern VmVariable<VsEventTables> vsEventTables;

// Set-up; each failure stops the VM with its message ("Could not ...").
// vsK6Event_initialize and vsK6Event_resetState: service_hooks.h.
VsEventQueue* vsK6Event_createQueue(int32_t ringWords, int32_t eventWords, int32_t fixedLength);
int32_t vsK6Event_registerQueue(VsEventQueue* queue);
VsEventGroup* vsK6Event_createGroup(VsEventQueue* const* queues, int32_t queueCount, int32_t groupNumber);
int32_t vsK6Event_registerThread(VsEventQueue* queue, int32_t kind);
int32_t vsK6Event_registerCeventThread(VsEventGroup** groups, int32_t groupCount, int32_t kind);

// The queue of a registered id, or null.
VsEventQueue* vsK6Event_queue(int32_t queueId);

// Posting (any thread): 1 when queued (or swallowed by the filter hook).
// notify refuses while the suspend callbacks run; post does not.
int32_t vsK6Event_notify(const uint32_t* words, int32_t count, int32_t queueId);
int32_t vsK6Event_post(const uint32_t* words, int32_t count, int32_t queueId);
// Empties the queue: 1 when it exists.
int32_t vsK6Event_clearQueue(int32_t queueId);
void vsK6Event_setFilterHook(VsEventFilterHook hook);
void vsK6Event_setReadHook(VsEventReadHook hook);

// Reading (VM thread). threadId 0 asks about every registered thread.
int32_t vsK6Event_hasEvent(int32_t threadId);
// The next event for the thread, taken into its queue's read buffer: the
// buffer and *count its words; null and 0 when none waits.
uint32_t* vsK6Event_getNextEvent(int32_t threadId, int32_t* count);
// The same, but an event of more than `room` words stays queued: null with
// *count its length.
uint32_t* vsK6Event_getNextEventWithin(int32_t threadId, int32_t room, int32_t* count);
// Copies the oldest event of the queue (eventWords words of room) without
// taking it; *count 0 when none waits. An id outside the table is fatal.
void vsK6Event_peekEvent(int32_t queueId, uint32_t* out, int32_t* count);
