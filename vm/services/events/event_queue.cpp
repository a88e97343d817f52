// The VM's event queues (see event_queue.h).
#include "vm/services/events/event_queue.h"

#include <cstring>

#include "port/vm_sync.h"
#include "vm/core/interp/runtime_entries.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/events/event_wait.h"
#include "vm/services/memory/memory_service.h"
#include "vm/services/memory/trace_log.h"

VS_VMBSS(VsEventTables) vsEventTables = {};

namespace {

constexpr int32_t kMaxEventWords = 0xff;  // the header's length field
constexpr int32_t kMaxRingWords = 1 << 20;

// The VM critical section for the scope.
struct VmLock {
  VmLock() { JkVmEnterCriticalSection(); }
  ~VmLock() { JkVmLeaveCriticalSection(); }
  VmLock(const VmLock&) = delete;
  VmLock& operator=(const VmLock&) = delete;
};

template <class T>
T* allocZeroed(int32_t count) {
  const int64_t bytes = int64_t{count} * static_cast<int64_t>(sizeof(T));
  if (count < 1 || bytes > 0x7fffffff) return nullptr;
  void* p = vsMemory_allocPointer(static_cast<int32_t>(bytes));
  if (p != nullptr) std::memset(p, 0, static_cast<size_t>(bytes));
  return static_cast<T*>(p);
}

// Grows a table by one slot (new array, copy, free the old one): false
// when no memory is left.
template <class T>
bool growByOne(VmPtr<T>* table, int32_t* capacity) {
  T* bigger = allocZeroed<T>(*capacity + 1);
  if (bigger == nullptr) return false;
  if (T* old = table->get()) {
    std::memcpy(static_cast<void*>(bigger), old, sizeof(T) * static_cast<size_t>(*capacity));
    vsMemory_freePointer(old);
  }
  *table = bigger;
  ++*capacity;
  return true;
}

template <class F>
F hook(VmWord word) {
  return reinterpret_cast<F>(static_cast<uintptr_t>(word));
}

VsEventQueue* queueAt(int32_t id) { return vsEventTables.queues.get()[id].get(); }

bool validQueueId(int32_t id) { return id >= 1 && id < vsEventTables.queueCount; }

int32_t normalKind(int32_t kind) {
  return kind == kVsEventKindSystem || kind == kVsEventKindUi || kind == kVsEventKindOther ? kind : 0;
}

int32_t wrap(const VsEventQueue* q, int32_t index) { return index >= q->ringWords ? index - q->ringWords : index; }

uint32_t sequenceOf(uint32_t header) { return header >> 16; }
int32_t lengthOf(uint32_t header) { return static_cast<int32_t>(header & 0xff); }

// Words an event of `count` words occupies in the queue.
int32_t costOf(const VsEventQueue* q, int32_t count) { return q->fixedLength != 0 ? q->eventWords : count + 1; }

// The sequence number of the queue's oldest event (0 for fixed-length
// queues, which carry none).
uint32_t oldestSequence(const VsEventQueue* q) {
  return q->fixedLength != 0 ? 0 : sequenceOf(q->ring.get()[q->readIndex]);
}

// The group's queue whose oldest event came first, or null when none of
// them holds an event; the earlier queue of the array wins ties.
VsEventQueue* oldestInGroup(const VsEventGroup* g) {
  VsEventQueue* best = nullptr;
  uint32_t bestSequence = 0;
  for (int32_t i = 0; i < g->queueCount; ++i) {
    VsEventQueue* q = g->queues.get()[i].get();
    if (q == nullptr || q->usedWords < 1) continue;
    const uint32_t s = oldestSequence(q);
    if (best == nullptr || s < bestSequence) {
      best = q;
      bestSequence = s;
    }
  }
  return best;
}

// Renumbers the group's waiting events from the oldest: it gets 0 and the
// group's next number shrinks by the same amount; 0 when nothing waits.
void renumber(VsEventGroup* g) {
  const VsEventQueue* oldest = oldestInGroup(g);
  if (oldest == nullptr) {
    g->sequence = 0;
    return;
  }
  const uint32_t base = oldestSequence(oldest);
  for (int32_t i = 0; i < g->queueCount; ++i) {
    VsEventQueue* q = g->queues.get()[i].get();
    if (q == nullptr || q->fixedLength != 0) continue;
    uint32_t* ring = q->ring.get();
    int32_t at = q->readIndex;
    for (int32_t e = 0; e < q->eventCount; ++e) {
      const uint32_t header = ring[at];
      ring[at] = (sequenceOf(header) - base) << 16 | (header & 0xffff);
      at = wrap(q, at + lengthOf(header) + 1);
    }
  }
  g->sequence -= static_cast<int32_t>(base);
}

// Writes the event; the queue has room for it.
void enqueue(VsEventQueue* q, const uint32_t* words, int32_t count) {
  uint32_t* ring = q->ring.get();
  int32_t at = q->writeIndex;
  if (q->fixedLength == 0) {
    uint32_t header = static_cast<uint32_t>(count);
    if (VsEventGroup* g = q->group.get()) {
      if (g->sequence >= kVsLastSequence) renumber(g);
      header |= static_cast<uint32_t>(g->sequence) << 16;
      ++g->sequence;
    }
    ring[at] = header;
    at = wrap(q, at + 1);
  }
  // A short event of a fixed-length queue is padded with zeros, so that the
  // reader, which takes eventWords words, stays in step.
  const int32_t stored = q->fixedLength != 0 ? q->eventWords : count;
  for (int32_t i = 0; i < stored; ++i) {
    ring[at] = i < count ? words[i] : 0;
    at = wrap(q, at + 1);
  }
  q->writeIndex = at;
  q->usedWords += costOf(q, count);
  ++q->eventCount;
  ++vsEventTables.totalEvents;
}

// Copies the oldest event to `out` (which has eventWords words): its length.
// With take, the event leaves the queue.
int32_t readOldest(VsEventQueue* q, uint32_t* out, bool take) {
  const uint32_t* ring = q->ring.get();
  int32_t at = q->readIndex;
  int32_t length = q->eventWords;
  if (q->fixedLength == 0) {
    length = lengthOf(ring[at]);
    at = wrap(q, at + 1);
  }
  for (int32_t i = 0; i < length; ++i) {
    out[i] = ring[at];
    at = wrap(q, at + 1);
  }
  if (take) {
    q->readIndex = at;
    q->usedWords -= costOf(q, length);
    --q->eventCount;
    --vsEventTables.totalEvents;
  }
  return length;
}

int32_t oldestLength(const VsEventQueue* q) {
  return q->fixedLength != 0 ? q->eventWords : lengthOf(q->ring.get()[q->readIndex]);
}

VsEventThreadEntry* eventThreadEntry(int32_t threadId) {
  const int32_t slot = threadId & 0xff;
  if ((threadId & 0xff00) != kVsEventThreadMark || slot >= vsEventTables.eventThreadCount) return nullptr;
  VsEventThreadEntry* e = &vsEventTables.eventThreads.get()[slot];
  return e->id == threadId ? e : nullptr;
}

VsCeventThreadEntry* ceventThreadEntry(int32_t threadId) {
  const int32_t slot = threadId & 0xff;
  if ((threadId & 0xff00) != kVsCeventThreadMark || slot >= vsEventTables.ceventThreadCount) return nullptr;
  VsCeventThreadEntry* e = &vsEventTables.ceventThreads.get()[slot];
  return e->id == threadId ? e : nullptr;
}

// The queue whose event the thread takes next, or null.
VsEventQueue* nextQueue(int32_t threadId) {
  if (const VsEventThreadEntry* e = eventThreadEntry(threadId)) {
    VsEventQueue* q = e->queue.get();
    return q != nullptr && q->usedWords >= 1 ? q : nullptr;
  }
  if (const VsCeventThreadEntry* e = ceventThreadEntry(threadId)) {
    for (int32_t i = 0; i < e->groupCount; ++i)
      if (VsEventQueue* q = oldestInGroup(e->groups.get()[i].get())) return q;
  }
  return nullptr;
}

// The next free thread slot of a table, grown by one when full; -1 when
// it cannot grow or every id is taken.
template <class T>
int32_t takeSlot(VmPtr<T>* table, int32_t* capacity, int32_t* count) {
  if (*count >= kVsThreadSlots) return -1;
  if (*count == *capacity && !growByOne(table, capacity)) return -1;
  return (*count)++;
}

}  // namespace

void vsK6Event_initialize() {
  VsEventTables& t = vsEventTables;
  t = {};
  t.queues = allocZeroed<VmPtr<VsEventQueue>>(kVsQueueTableCapacity);
  if (!t.queues) vsVm_fatal("Could not initialize event system #1.");
  t.queueCapacity = kVsQueueTableCapacity;
  t.queueCount = 1;
  t.eventThreads = allocZeroed<VsEventThreadEntry>(kVsEventThreadCapacity);
  if (!t.eventThreads) vsVm_fatal("Could not initialize event system #2.");
  t.eventThreadCapacity = kVsEventThreadCapacity;
  t.ceventThreads = allocZeroed<VsCeventThreadEntry>(kVsCeventThreadCapacity);
  if (!t.ceventThreads) vsVm_fatal("Could not initialize event system #3.");
  t.ceventThreadCapacity = kVsCeventThreadCapacity;
  if (!vsK6Event_initializeWaiting()) vsVm_fatal("Could not initialize event system #4.");
}

VsEventQueue* vsK6Event_createQueue(int32_t ringWords, int32_t eventWords, int32_t fixedLength) {
  VsEventQueue* q = allocZeroed<VsEventQueue>(1);
  if (q == nullptr) vsVm_fatal("Could not create event queue #1.");
  if (ringWords > kMaxRingWords || (q->ring = allocZeroed<uint32_t>(ringWords)).raw == 0)
    vsVm_fatal("Could not create event queue #2.");
  if (eventWords > kMaxEventWords || (q->readBuffer = allocZeroed<uint32_t>(eventWords)).raw == 0)
    vsVm_fatal("Could not create event queue #3.");
  q->ringWords = ringWords;
  q->eventWords = eventWords;
  q->fixedLength = fixedLength;
  q->id = -1;
  q->threadId = -1;
  return q;
}

int32_t vsK6Event_registerQueue(VsEventQueue* queue) {
  int32_t slot = 1;
  {
    VmLock lock;
    VsEventTables& t = vsEventTables;
    while (slot < t.queueCount && t.queues.get()[slot]) ++slot;
    if (slot == t.queueCapacity && !growByOne(&t.queues, &t.queueCapacity)) {
      slot = -1;
    } else {
      if (slot == t.queueCount) ++t.queueCount;
      t.queues.get()[slot] = queue;
      queue->id = slot;
    }
  }
  if (slot < 0) vsVm_fatal("Could not register event queue #1.");
  return slot;
}

VsEventGroup* vsK6Event_createGroup(VsEventQueue* const* queues, int32_t queueCount, int32_t groupNumber) {
  VsEventGroup* g = queues != nullptr ? allocZeroed<VsEventGroup>(1) : nullptr;
  if (g == nullptr || (g->queues = allocZeroed<VmPtr<VsEventQueue>>(queueCount)).raw == 0)
    vsVm_fatal("Could not create event group #1.");
  g->groupNumber = groupNumber;
  g->queueCount = queueCount;
  g->ceventThreadId = -1;
  for (int32_t i = 0; i < queueCount; ++i) {
    g->queues.get()[i] = queues[i];
    queues[i]->group = g;
  }
  return g;
}

int32_t vsK6Event_registerThread(VsEventQueue* queue, int32_t kind) {
  VsEventTables& t = vsEventTables;
  int32_t id = -1;
  {
    VmLock lock;
    const int32_t slot = takeSlot(&t.eventThreads, &t.eventThreadCapacity, &t.eventThreadCount);
    if (slot >= 0) {
      id = normalKind(kind) | kVsEventThreadMark | slot;
      t.eventThreads.get()[slot] = {id, VmPtr<VsEventQueue>::of(queue), 0};
      queue->threadId = id;
    }
  }
  if (id < 0) vsVm_fatal(t.eventThreadCount >= kVsThreadSlots ? "Could not register event thread #3."
                                                              : "Could not register event thread #2.");
  return id;
}

int32_t vsK6Event_registerCeventThread(VsEventGroup** groups, int32_t groupCount, int32_t kind) {
  VsEventTables& t = vsEventTables;
  auto* sorted = allocZeroed<VmPtr<VsEventGroup>>(groupCount);
  if (sorted == nullptr) vsVm_fatal("Could not register cevent thread #3.");
  // Stable bubble sort by ascending group number.
  for (int32_t pass = 0; pass < groupCount; ++pass)
    for (int32_t i = 0; i + 1 < groupCount - pass; ++i)
      if (groups[i]->groupNumber > groups[i + 1]->groupNumber) {
        VsEventGroup* g = groups[i];
        groups[i] = groups[i + 1];
        groups[i + 1] = g;
      }
  JkVmEnterCriticalSection();
  const int32_t slot = takeSlot(&t.ceventThreads, &t.ceventThreadCapacity, &t.ceventThreadCount);
  if (slot < 0) {
    JkVmLeaveCriticalSection();
    vsVm_fatal("Could not register cevent thread #2.");
  }
  const int32_t id = normalKind(kind) | kVsCeventThreadMark | slot;
  for (int32_t i = 0; i < groupCount; ++i) {
    sorted[i] = groups[i];
    groups[i]->ceventThreadId = id;
    for (int32_t k = 0; k < groups[i]->queueCount; ++k) groups[i]->queues.get()[k]->threadId = id;
  }
  t.ceventThreads.get()[slot] = {id, VmPtr<VmPtr<VsEventGroup>>::of(sorted), groupCount, 0};
  JkVmLeaveCriticalSection();
  return id;
}

VsEventQueue* vsK6Event_queue(int32_t queueId) {
  VmLock lock;
  return validQueueId(queueId) ? queueAt(queueId) : nullptr;
}

int32_t vsK6Event_notify(const uint32_t* words, int32_t count, int32_t queueId) {
  if (vsVm_isSuspending() != 0) {
    vsTraceLog_warning("WARNING: Can't notify this event while the JVM is suspended\n");
    for (int32_t i = 0; words != nullptr && i < count; ++i)
      vsTraceLog_warning(" %d ", static_cast<int32_t>(words[i]));
    vsTraceLog_warning("\n");
    return 0;
  }
  return vsK6Event_post(words, count, queueId);
}

int32_t vsK6Event_post(const uint32_t* words, int32_t count, int32_t queueId) {
  if (vsVm_isRunning() == 0) return 0;
  VmLock lock;
  // An id must name a slot of the table (1 to count - 1).
  if (!validQueueId(queueId)) {
    vsTraceLog_warning("WARNING: eventQueueId is illegal.\n");
    return 0;
  }
  VsEventQueue* q = queueAt(queueId);
  if (q == nullptr || words == nullptr || count < 1 || count > q->eventWords ||
      q->usedWords + costOf(q, count) > q->ringWords) {
    vsVm_wake();
    return 0;
  }
  if (vsEventTables.filterHook != 0 && hook<VsEventFilterHook>(vsEventTables.filterHook)(words, count, queueId) == 0)
    return 1;
  enqueue(q, words, count);
  vsVm_wake();
  return 1;
}

int32_t vsK6Event_clearQueue(int32_t queueId) {
  VmLock lock;
  VsEventQueue* q = validQueueId(queueId) ? queueAt(queueId) : nullptr;
  if (q == nullptr) return 0;
  q->readIndex = q->writeIndex = q->usedWords = 0;
  vsEventTables.totalEvents -= q->eventCount;
  q->eventCount = 0;
  return 1;
}

void vsK6Event_setFilterHook(VsEventFilterHook hook) {
  vsEventTables.filterHook = hook == nullptr ? 0 : vsWord_fromPointer(reinterpret_cast<const void*>(hook));
}

void vsK6Event_setReadHook(VsEventReadHook hook) {
  vsEventTables.readHook = hook == nullptr ? 0 : vsWord_fromPointer(reinterpret_cast<const void*>(hook));
}

int32_t vsK6Event_hasEvent(int32_t threadId) {
  VmLock lock;
  if (threadId != 0) return nextQueue(threadId) != nullptr ? 1 : 0;
  const VsEventTables& t = vsEventTables;
  for (int32_t i = 0; i < t.eventThreadCount; ++i)
    if (nextQueue(t.eventThreads.get()[i].id) != nullptr) return 1;
  for (int32_t i = 0; i < t.ceventThreadCount; ++i)
    if (nextQueue(t.ceventThreads.get()[i].id) != nullptr) return 1;
  return 0;
}

uint32_t* vsK6Event_getNextEvent(int32_t threadId, int32_t* count) {
  return vsK6Event_getNextEventWithin(threadId, kMaxEventWords, count);
}

uint32_t* vsK6Event_getNextEventWithin(int32_t threadId, int32_t room, int32_t* count) {
  VmLock lock;
  VsEventQueue* q = nextQueue(threadId);
  *count = q == nullptr ? 0 : oldestLength(q);
  if (q == nullptr || *count > room) return nullptr;
  uint32_t* buffer = q->readBuffer.get();
  readOldest(q, buffer, true);
  if (vsEventTables.readHook != 0)
    hook<VsEventReadHook>(vsEventTables.readHook)(buffer, *count, q->id);
  return buffer;
}

void vsK6Event_peekEvent(int32_t queueId, uint32_t* out, int32_t* count) {
  bool valid = false;
  {
    VmLock lock;
    valid = validQueueId(queueId);
    VsEventQueue* q = valid ? queueAt(queueId) : nullptr;
    *count = q == nullptr || q->usedWords < 1 ? 0 : readOldest(q, out, false);
  }
  if (!valid) vsVm_fatal("illegal eventQueueId.");
}
