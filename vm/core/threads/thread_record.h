// The thread record of a green thread (kind -29, 104 bytes, class in root
// 36), and the words of java.lang.Thread that the VM reads.
//
//   word  field                     word  field
//   0     header                    13    stack chunk            (ref)
//   1     saved locals pointer      14    saved stack pointer
//   2     saved frame pointer       15    flags (bit 31 interrupted)
//   3     queue next        (ref)   16    interpreter word
//   4     queue previous    (ref)   17    interpreter reference  (ref)
//   5     thread-list next  (ref)   18    interpreter reference  (ref)
//   6, 7  wake-up time, low, high   19, 20 native result, low, high
//   8     lock record offset        21    re-entry data          (ref)
//   9     deferred exception (ref)  22    waiting flag
//   10    java.lang.Thread  (ref)   23    spare word
//   11    stack limit               24    cached re-entry array  (ref)
//   12    pending calls     (ref)   25    spare reference        (ref)
//
// The collector finds the references through the kind's map in kinds.h;
// the fields marked (ref) sit exactly on the map's words, which is checked
// below. Words 16 to 18, 23 and 25 belong to the interpreter and later
// users; they stay 0 until those define them.
//
// Queue links: a runnable thread is on the circular, doubly linked queue
// of its priority (scheduler.h); the same links carry the waiting list and
// the monitor queues. A thread on no queue has null links.
//
// Stack chunk (StackChunk, object_layout.h): {header, length n, owner,
// next chunk}, then n bytes; the stack base is chunk + n and the stack
// grows down towards the stack limit, chunk + StackPadding.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vm/core/model/kinds.h"
#include "vm/core/model/object_layout.h"

struct ThreadRecord {
  VmWord header;
  VmWord savedLocals;
  VmWord savedFramePointer;
  VmRef queueNext;
  VmRef queuePrevious;
  VmRef threadListNext;
  uint32_t wakeTimeLow;
  uint32_t wakeTimeHigh;
  uint32_t lockRecordOffset;
  VmRef deferredException;
  VmRef javaThread;
  VmWord stackLimit;
  VmRef pendingCalls;
  VmRef stackChunk;
  VmWord stackPointer;
  uint32_t flags;
  VmWord interpreterWord16;
  VmRef interpreterReference17;
  VmRef interpreterReference18;
  VmWord resultLow;
  VmWord resultHigh;
  VmRef reentryData;
  uint32_t waiting;
  VmWord spareWord23;
  VmRef cachedReentryData;
  VmRef spareReference25;
};

inline constexpr uint32_t kThreadInterruptedFlag = 0x80000000u;

// The reference fields, in word order: the collector's map of the kind.
inline constexpr size_t kThreadRecordReferenceOffsets[] = {
    offsetof(ThreadRecord, queueNext),          offsetof(ThreadRecord, queuePrevious),
    offsetof(ThreadRecord, threadListNext),     offsetof(ThreadRecord, deferredException),
    offsetof(ThreadRecord, javaThread),         offsetof(ThreadRecord, pendingCalls),
    offsetof(ThreadRecord, stackChunk),         offsetof(ThreadRecord, interpreterReference17),
    offsetof(ThreadRecord, interpreterReference18), offsetof(ThreadRecord, reentryData),
    offsetof(ThreadRecord, cachedReentryData),  offsetof(ThreadRecord, spareReference25),
};

namespace thread_record_detail {
constexpr bool referencesMatchKindMap() {
  const KindInfo& k = vsKind_info(kKindThread);
  constexpr size_t n = sizeof(kThreadRecordReferenceOffsets) / sizeof(kThreadRecordReferenceOffsets[0]);
  if (k.referenceWordCount != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (kThreadRecordReferenceOffsets[i] != size_t{k.referenceWords[i]} * 4) return false;
  return true;
}
}  // namespace thread_record_detail

static_assert(sizeof(ThreadRecord) == kThreadRecordBytes);
static_assert(vsKind_info(kKindThread).fixedSize == kThreadRecordBytes);
static_assert(thread_record_detail::referencesMatchKindMap());
static_assert(offsetof(ThreadRecord, wakeTimeLow) == 6 * 4 && offsetof(ThreadRecord, stackLimit) == 11 * 4);
static_assert(offsetof(ThreadRecord, stackPointer) == 14 * 4 && offsetof(ThreadRecord, flags) == 15 * 4);
static_assert(offsetof(ThreadRecord, resultLow) == 19 * 4 && offsetof(ThreadRecord, resultHigh) == 20 * 4);
static_assert(offsetof(ThreadRecord, waiting) == 22 * 4);

// java.lang.Thread as the VM reads it (word 0 is the header).
struct JavaThreadObject {
  VmWord header;
  int32_t priority;      // 1 to 10
  VmRef target;          // Runnable
  VmRef threadRecord;
  int32_t finished;
  int32_t startPending;
};

static_assert(offsetof(JavaThreadObject, priority) == 4 && offsetof(JavaThreadObject, threadRecord) == 12);
static_assert(offsetof(JavaThreadObject, startPending) == 20);

inline constexpr int32_t kMinPriority = 1;
inline constexpr int32_t kNormPriority = 5;
inline constexpr int32_t kMaxPriority = 10;
