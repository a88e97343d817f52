// Growing a green thread's Java stack (see stack_growth.h).
#include "vm/core/threads/stack_growth.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/frame_iterator.h"
#include "vm/core/interp/interpreter_frames.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/thread_record.h"

namespace {

ThreadRecord* record(VmRef thread) { return vsRef_as<ThreadRecord>(thread); }

VmWord* at(VmWord address) { return vsWord_toPointer<VmWord>(address); }

}  // namespace

VmWord vsThread_stackBase(VmRef thread) {
  const StackChunk* chunk = vsRef_as<StackChunk>(record(thread)->stackChunk);
  return vsRef_of(chunk) + kStackChunkHeadBytes + (chunk->length & ~3u);
}

int32_t vsThread_checkStack(const VmRef* thread, VmWord newStackPointer) {
  if (vsVmState().exiting != 0) return 1;
  const VmWord limit = record(*thread)->stackLimit;
  if (newStackPointer > limit) return 1;
  const uint32_t short_ = limit - newStackPointer;
  const uint32_t increment = static_cast<uint32_t>(vsVmFlags().StackSizeIncrement);
  const uint64_t length = uint64_t{vsRef_as<StackChunk>(record(*thread)->stackChunk)->length} +
                          static_cast<uint32_t>(vsVmFlags().StackPadding) + (short_ > increment ? short_ : increment);
  if (length > static_cast<uint64_t>(vsVmFlags().StackSizeMaximum)) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  return vsThread_growStack(thread, static_cast<uint32_t>(length));
}

int32_t vsThread_growStack(const VmRef* thread, uint32_t newLength) {
  VmHandle chunk;
  vsHandle_push(&chunk, vsJavaHeap_newStackChunk(newLength));
  int32_t ok = 0;
  if (chunk.object == 0) {
    vsException_throwOutOfMemoryError();
  } else {
    const StackChunk* c = vsRef_as<StackChunk>(chunk.object);
    const VmWord newBase = chunk.object + kStackChunkHeadBytes + (c->length & ~3u);
    vsThreadStack_move(thread, &chunk.object, static_cast<int32_t>(newBase - vsThread_stackBase(*thread)));
    ok = 1;
  }
  vsHandle_close(&chunk);
  return ok;
}

void vsThreadStack_move(const VmRef* thread, const VmRef* newChunk, int32_t distance) {
  ThreadRecord* t = record(*thread);
  const VmWord oldBase = vsThread_stackBase(*thread);
  const VmWord oldLow = t->savedLocals;
  StackChunk* old = vsRef_as<StackChunk>(t->stackChunk);
  vsJavaHeap_storeReference(&vsRef_as<StackChunk>(*newChunk)->owner, *thread);
  vsJavaHeap_storeReference(&t->stackChunk, *newChunk);
  std::memmove(at(oldLow + static_cast<VmWord>(distance)), at(oldLow), oldBase - oldLow);
  vsJavaHeap_storeReference(&old->owner, 0);
  vsThreadStack_relocate(*thread, distance, true);
}

void vsThreadStack_relocate(VmRef thread, int32_t distance, bool withRecords) {
  ThreadRecord* t = record(thread);
  const VmWord oldBase = vsThread_stackBase(thread) - static_cast<VmWord>(distance);
  const VmWord oldLow = t->savedLocals;
  const auto inOldStack = [&](VmWord word) { return word >= oldLow && word <= oldBase; };
  const auto shift = [&](VmWord& word) {
    if (inOldStack(word)) word += static_cast<VmWord>(distance);
  };
  shift(t->savedLocals);
  shift(t->savedFramePointer);
  shift(t->stackPointer);
  shift(vsVmGlobals.nativeParameterPointer);
  if (inOldStack(vsNative_popPointer)) vsNative_popPointer += static_cast<VmWord>(distance) & ~VmWord{3};
  vsFrameIterator_shiftAll(thread, distance);
  // The frames, read at their new place.
  FrameIterator it;
  vsFrameIterator_open(&it, thread);
  while (it.framePointer != 0) {
    if (!vsFrame_isChunkEnd(&it)) {
      vsFrame_relocate(&it, distance, withRecords);
      vsFrame_caller(&it);
      continue;
    }
    GuardFrame* g = vsGuardFrame_atPointer(it.framePointer);
    if (g->interruptedStackPointer != 0) shift(g->interruptedStackPointer);
    if (g->interruptedFramePointer != 0) shift(g->interruptedFramePointer);
    if (vsFrame_isStackBottom(&it)) break;
    vsFrame_nextChunk(&it);
  }
  vsFrameIterator_close(&it);
  t->stackLimit = t->stackChunk + static_cast<uint32_t>(vsVmFlags().StackPadding);
  if (vsVmGlobals.currentThread == thread) vsScheduler_publishStackLimit(t->stackLimit);
}
