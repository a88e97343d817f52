// Growing a green thread's Java stack (see stack_growth.h).
#include "vm/core/threads/stack_growth.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/frame_iterator.h"
#include "vm/core/interp/interpreter_frames.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"
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
  // A thread that never ran has no in-runtime stack pointer: its whole
  // chunk counts.
  const uint32_t length = vsRef_as<StackChunk>(t->stackChunk)->length & ~3u;
  const VmWord oldLow = t->savedLocals != 0 ? t->savedLocals : oldBase - length;
  const auto inOldStack = [&](VmWord word) { return word >= oldLow && word <= oldBase; };
  const auto shift = [&](VmWord& word) {
    if (inOldStack(word)) word += static_cast<VmWord>(distance);
  };
  shift(t->savedLocals);
  shift(t->savedFramePointer);
  // A running thread's saved stack pointer may still name a guard frame's
  // place below its saved locals, from a deeper call: anywhere in the chunk.
  if (t->stackPointer - (oldBase - length) <= length) t->stackPointer += static_cast<VmWord>(distance);
  // A thread that is not running keeps its transition {frame pointer, how
  // it goes on} at its saved stack pointer.
  if (vsVmGlobals.currentThread != thread && t->stackPointer != 0) shift(*at(t->stackPointer));
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

namespace {

// Room kept below the frames' needs beyond padding and one increment.
constexpr uint32_t kShrinkSlackBytes = 80;

uint32_t chunkBytes(uint32_t length) { return (length + kStackChunkHeadBytes + 3) & ~3u; }

// The chunk list names the chunk at its new address.
void relinkChunk(VmRef old, VmRef moved) {
  VmWord* slot = &vsJavaHeap.stackChunkList;
  while (*slot != 0 && *slot != old) slot = &vsRef_as<StackChunk>(*slot)->next;
  if (*slot == old) vsJavaHeap_storeReference(slot, moved);
}

void shrinkStack(const VmRef* thread) {
  const VmFlagValues& flags = vsVmFlags();
  const uint32_t stackSize = static_cast<uint32_t>(flags.StackSize);
  const uint32_t increment = static_cast<uint32_t>(flags.StackSizeIncrement);
  const uint32_t padding = static_cast<uint32_t>(flags.StackPadding);
  ThreadRecord* t = record(*thread);
  const StackChunk* c = vsRef_as<StackChunk>(t->stackChunk);
  if (c->length <= stackSize || t->savedFramePointer == 0 || increment == 0) return;
  const MethodRecord* method = vsWord_toPointer<MethodRecord>(vsFrame_atPointer(t->savedFramePointer)->method);
  const VmWord low = t->savedLocals - 4 * VmWord{method->maxStack};
  const uint32_t used = vsThread_stackBase(*thread) - low;
  const uint32_t needed = used + padding + increment + kShrinkSlackBytes;
  const uint32_t keep = needed > stackSize ? needed : stackSize;
  if (c->length <= keep) return;
  const uint32_t k = (c->length - keep) / increment;
  if (k == 0) return;
  const uint32_t newLength = c->length - k * increment;
  const VmRef next = c->next;
  VmHandle old;
  vsHandle_push(&old, t->stackChunk);
  const VmRef moved = vsJavaHeap_shrinkObject(&old.object, chunkBytes(c->length), chunkBytes(newLength), false);
  StackChunk* m = vsRef_as<StackChunk>(moved);
  m->length = newLength;
  vsJavaHeap_storeReference(&m->owner, *thread);
  vsJavaHeap_storeReference(&m->next, next);
  relinkChunk(old.object, moved);
  vsHandle_close(&old);
  t = record(*thread);
  vsJavaHeap_storeReference(&t->stackChunk, moved);
  t->stackLimit = moved + padding;
  if (vsVmGlobals.currentThread == *thread) vsScheduler_publishStackLimit(t->stackLimit);
}

}  // namespace

void vsThread_shrinkStacks() {
  VmHandle thread;
  vsHandle_push(&thread, vsRoot(kRootThreadList));
  for (; thread.object != 0; thread.object = record(thread.object)->threadListNext)
    if (record(thread.object)->stackChunk != 0) shrinkStack(&thread.object);
  vsHandle_close(&thread);
}
