// Thread queues of monitor records (see monitor_queue.h).
#include "vm/core/threads/monitor_queue.h"

#include "vm/core/memory/write_barrier.h"
#include "vm/core/threads/thread_record.h"

namespace {

ThreadRecord* record(VmRef thread) { return vsRef_as<ThreadRecord>(thread); }

void store(VmRef* slot, VmRef value) { vsJavaHeap_storeReference(slot, value); }

}  // namespace

void vsMonitorQueue_unlink(VmRef* queue, VmRef thread) {
  ThreadRecord* t = record(thread);
  if (t->queueNext == thread) {
    store(queue, 0);
  } else {
    store(&record(t->queuePrevious)->queueNext, t->queueNext);
    store(&record(t->queueNext)->queuePrevious, t->queuePrevious);
    if (*queue == thread) store(queue, t->queueNext);
  }
  t->queueNext = 0;
  t->queuePrevious = 0;
}

bool vsMonitorQueue_contains(VmRef queue, VmRef thread) {
  if (queue == 0 || thread == 0) return false;
  VmRef at = queue;
  do {
    if (at == thread) return true;
    at = record(at)->queueNext;
  } while (at != queue);
  return false;
}

void vsMonitorQueue_append(VmRef* queue, VmRef thread) {
  ThreadRecord* t = record(thread);
  const VmRef head = *queue;
  if (head == 0) {
    store(&t->queueNext, thread);
    store(&t->queuePrevious, thread);
    store(queue, thread);
    return;
  }
  const VmRef tail = record(head)->queuePrevious;
  store(&t->queueNext, head);
  store(&t->queuePrevious, tail);
  store(&record(tail)->queueNext, thread);
  store(&record(head)->queuePrevious, thread);
}

VmRef vsMonitorQueue_pop(VmRef* queue) {
  const VmRef head = *queue;
  if (head != 0) vsMonitorQueue_unlink(queue, head);
  return head;
}

int32_t vsMonitorQueue_remove(VmRef* queue, VmRef thread) {
  if (!vsMonitorQueue_contains(*queue, thread)) return 0;
  vsMonitorQueue_unlink(queue, thread);
  return 1;
}
