// Blocking natives and their re-entry (see reentry.h).
#include "vm/core/threads/reentry.h"

#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/threads/monitor_queue.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/thread_record.h"
#include "vm/core/threads/service_calls.h"

VS_VMBSS(ReentryState) vsReentry = {};

namespace {

ThreadRecord* record(VmRef thread) { return vsRef_as<ThreadRecord>(thread); }

ThreadRecord* current() { return record(vsVmGlobals.currentThread); }

VmWord bytesOf(VmRef array) { return vsRef_of(vsRef_as<ByteArray>(array)->elements); }

WaitingRecord* records() {
  const VmRef array = vsRoot(kRootWaitingRecords);
  return array == 0 ? nullptr : vsWord_toPointer<WaitingRecord>(bytesOf(array));
}

void fill(WaitingRecord* r, VmRef thread) {
  const VmRef data = record(thread)->reentryData;
  r->thread = thread;
  r->data = data == 0 ? 0 : bytesOf(data);
  r->length = data == 0 ? 0 : static_cast<uint32_t>(vsRef_as<ByteArray>(data)->length);
}

}  // namespace

VmWord vsReentry_allocData(int32_t n) {
  const int32_t cached = vsVmFlags().CachedAsyncDataSize;
  VmRef array = 0;
  if (n > cached) {
    array = vsJavaHeap_newByteArray(n);
  } else {
    array = current()->cachedReentryData;
    if (array == 0) {
      array = vsJavaHeap_newByteArray(cached);
      if (array != 0) vsJavaHeap_storeReference(&current()->cachedReentryData, array);
    }
  }
  if (array == 0) {
    vsPendingException() = 0;
    return 0;
  }
  vsJavaHeap_storeReference(&current()->reentryData, array);
  return bytesOf(array);
}

VmWord vsReentry_getData(int32_t* outLength) {
  const VmRef data = current()->reentryData;
  if (outLength != nullptr) *outLength = data == 0 ? 0 : vsRef_as<ByteArray>(data)->length;
  return data == 0 ? 0 : bytesOf(data);
}

void vsReentry_suspendThread() {
  current()->waiting = 1;
  vsScheduler_setRunnable(&vsVmGlobals.currentThread, 0);
  vsMonitorQueue_append(&vsRoot(kRootWaitingList), vsVmGlobals.currentThread);
  ++vsReentry.waitingCount;
  vsScheduler_reschedule();
}

void vsReentry_resumeThread(const VmRef* thread) {
  if (vsMonitorQueue_remove(&vsRoot(kRootWaitingList), *thread) == 0) return;
  --vsReentry.waitingCount;
  vsScheduler_setRunnable(thread, 1);
}

int32_t vsReentry_registerHandler(VsReentryHandler handler) {
  if (vsReentry.handlerCount >= kReentryHandlerSlots) return -1;
  vsReentry.handlers[vsReentry.handlerCount] = vsWord_fromPointer(reinterpret_cast<const void*>(handler));
  return static_cast<int32_t>(vsReentry.handlerCount++);
}

void vsReentry_clearHandlers() {
  vsReentry.handlerCount = 0;
  for (VmWord& h : vsReentry.handlers) h = 0;
}

int32_t vsReentry_dispatch(WaitingRecord* r) {
  if (r->thread != 0) fill(r, r->thread);
  if (r->length < 4) return 0;
  const int32_t index = *vsWord_toPointer<int32_t>(r->data);
  if (index < 0 || static_cast<uint32_t>(index) >= vsReentry.handlerCount) return 0;
  VmWord* slot = &vsReentry.handlers[index];
  if (*slot == 0) return 0;
  const auto handler = reinterpret_cast<VsReentryHandler>(static_cast<uintptr_t>(*slot));
  return handler(r, slot);
}

WaitingRecord* vsReentry_getWaitingThreads(uint32_t* outCount) {
  *outCount = vsReentry.waitingCount;
  if (vsReentry.waitingCount == 0) return nullptr;
  WaitingRecord* r = records();
  const VmRef head = vsRoot(kRootWaitingList);
  VmRef at = head;
  uint32_t i = 0;
  do {
    fill(&r[i++], at);
    at = record(at)->queueNext;
  } while (at != head && i < vsReentry_waitingRecordCapacity());
  return r;
}

WaitingRecord* vsReentry_refreshRecord(uint32_t i) {
  const VmRef head = vsRoot(kRootWaitingList);
  if (head == 0 || i >= vsReentry_waitingRecordCapacity()) return nullptr;
  VmRef at = head;
  for (uint32_t k = 0; k < i; ++k) {
    at = record(at)->queueNext;
    if (at == head) return nullptr;
  }
  WaitingRecord* r = &records()[i];
  fill(r, at);
  return r;
}

void vsReentry_waitIdle(uint64_t timeout) {
  uint32_t count = 0;
  WaitingRecord* r = vsReentry_getWaitingThreads(&count);
  vsSys_idleWait(r, count, static_cast<uint32_t>(timeout), static_cast<uint32_t>(timeout >> 32));
}

void vsReentry_clearWaiting() {
  while (vsMonitorQueue_pop(&vsRoot(kRootWaitingList)) != 0) {
  }
  vsReentry.waitingCount = 0;
}
