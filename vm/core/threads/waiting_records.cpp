// The waiting records of the blocking natives (see waiting_records.h).
#include "vm/core/threads/waiting_records.h"

#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"

uint32_t vsReentry_waitingRecordCapacity() {
  const VmRef array = vsRoot(kRootWaitingRecords);
  return array == 0 ? 0 : static_cast<uint32_t>(vsRef_as<ByteArray>(array)->length) / kWaitingRecordBytes;
}

int32_t vsReentry_resizeWaitingRecords(uint32_t liveThreads) {
  const uint32_t capacity = vsReentry_waitingRecordCapacity();
  const uint32_t wanted = liveThreads > kWaitingRecordMinimum ? liveThreads : kWaitingRecordMinimum;
  if (capacity > wanted && capacity - wanted < kWaitingRecordStep) return 1;
  const bool shrink = capacity > wanted;
  const uint32_t records = shrink || wanted > capacity + kWaitingRecordStep ? wanted : capacity + kWaitingRecordStep;
  const VmWord before = vsPendingException();
  const VmRef array = vsJavaHeap_newByteArray(static_cast<int32_t>(records * kWaitingRecordBytes));
  if (array == 0) {
    if (!shrink) return 0;
    vsPendingException() = before;
    return 1;
  }
  vsRoot(kRootWaitingRecords) = array;
  return 1;
}
