// Walking the frames of a green thread's Java stack (see frame_iterator.h).
#include "vm/core/interp/frame_iterator.h"

#include <utility>

#include "vm/core/bytecode/tag_stack.h"
#include "vm/core/interp/interpreter_frames.h"
#include "vm/core/interp/runtime_entries.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/threads/stack_growth.h"
#include "vm/core/threads/thread_record.h"

// 1 between the collector's prepare and finish steps: every saved
// bytecode pointer of a live frame is in its offset form.
VS_VMBSS(uint32_t) vsFrame_collectionForm;

namespace {

constexpr VmWord kOffsetFormMask = 0xffffffu;
// The saved near of a lock record whose near record is back in its
// object's header for the collection (near records are word-aligned).
constexpr VmWord kPreparedNear = 1;

// The record holds its object's lock: the header points at the record's
// near copy, or the record was prepared for a collection.
bool ownsLock(const LockRecord* r) {
  if (r->object == 0) return false;
  return r->savedNear == kPreparedNear ||
         vsRef_as<ObjectHeader>(r->object)->near.raw == vsWord_fromPointer(&r->nearCopy);
}

inline InterpreterFrame* frame(const FrameIterator* it) { return vsFrame_atPointer(it->framePointer); }

inline VmWord codeOf(const InterpreterFrame* f) {
  return vsWord_fromPointer(vsWord_toPointer<MethodRecord>(f->method)->code);
}

// The saved bytecode pointer is an address, except in the temporary frame
// of a stack-growth call, which also carries bit 29: a word outside the
// method's code with that bit set. Addresses may have bit 29 set too. In
// the collection form the flag is bit 29 of the offset form.
bool isGrowthBcp(const InterpreterFrame* f) {
  if (vsFrame_collectionForm != 0) return (f->savedBcp & kGrowthFrameBit) != 0;
  const MethodRecord* m = vsWord_toPointer<MethodRecord>(f->method);
  const VmWord code = vsWord_fromPointer(m->code);
  return (f->savedBcp & kGrowthFrameBit) != 0 && (f->savedBcp < code || f->savedBcp - code >= m->codeLength);
}

inline VmWord bcpAddress(const InterpreterFrame* f) {
  if (vsFrame_collectionForm != 0) return codeOf(f) + (f->savedBcp & kOffsetFormMask);
  return isGrowthBcp(f) ? f->savedBcp & ~kGrowthFrameBit : f->savedBcp;
}

inline VmWord shifted(VmWord word, int32_t distance) { return word + static_cast<VmWord>(distance); }

// Bytes of the instructions whose saved bytecode pointer may be advanced
// past; 0 for the others.
uint32_t advanceLength(uint8_t op) {
  if (op == kOpAthrow) return 1;
  if (op == kOpInvokeinterface || op == kOpInvokeinterfaceFast) return 5;
  const bool invoke = (op >= kOpInvokevirtual && op <= kOpInvokeinterface) ||
                      (op >= kOpInvokevirtualFast && op <= kOpInvokesuperFast);
  return invoke ? 3 : 0;
}

}  // namespace

void vsFrameIterator_open(FrameIterator* it, VmRef thread) {
  const ThreadRecord* t = vsRef_as<ThreadRecord>(thread);
  it->thread = thread;
  it->stackBase = vsThread_stackBase(thread);
  it->framePointer = t->savedFramePointer;
  it->stackPointer = t->savedLocals;
  it->continuation = 0;
  it->previous = vsVmGlobals.frameIterators;
  vsVmGlobals.frameIterators = vsWord_fromPointer(it);
}

void vsFrameIterator_close(FrameIterator* it) { vsVmGlobals.frameIterators = it->previous; }

void vsFrameIterator_shiftAll(VmRef thread, int32_t distance) {
  for (VmWord at = vsVmGlobals.frameIterators; at != 0;) {
    FrameIterator* it = vsWord_toPointer<FrameIterator>(at);
    if (it->thread == thread) {
      it->stackBase = shifted(it->stackBase, distance);
      if (it->framePointer != 0) it->framePointer = shifted(it->framePointer, distance);
      if (it->stackPointer != 0) it->stackPointer = shifted(it->stackPointer, distance);
      if (it->continuation != 0) it->continuation = shifted(it->continuation, distance);
    }
    at = it->previous;
  }
}

bool vsFrame_isCompiled(const FrameIterator*) { return false; }

MethodRecord* vsFrame_method(const FrameIterator* it) { return vsWord_toPointer<MethodRecord>(frame(it)->method); }

uint32_t vsFrame_bci(const FrameIterator* it) {
  return bcpAddress(frame(it)) - vsWord_fromPointer(vsFrame_method(it)->code);
}

uint32_t vsFrame_localCount(const FrameIterator* it) {
  return (frame(it)->localsPointer - it->framePointer) / 4 - 1;
}

uint32_t vsFrame_stackDepth(const FrameIterator* it) { return (frame(it)->monitorBottom - it->stackPointer) / 4; }

VmWord* vsFrame_localAt(const FrameIterator* it, uint32_t i) {
  return vsWord_toPointer<VmWord>(frame(it)->localsPointer - 4 * i);
}

VmWord* vsFrame_stackAt(const FrameIterator* it, uint32_t i) {
  return vsWord_toPointer<VmWord>(it->stackPointer + 4 * i);
}

uint32_t vsFrame_lockRecordCount(const FrameIterator* it) {
  return vsFrame_lockRecordCountAt(it->framePointer);
}

LockRecord* vsFrame_lockRecordAt(const FrameIterator* it, uint32_t i) {
  return vsWord_toPointer<LockRecord>(vsFrame_lockRecordAddress(it->framePointer, i));
}

bool vsFrame_isChunkEnd(const FrameIterator* it) {
  return it->framePointer == 0 || vsWord_toPointer<VmWord>(it->framePointer)[1] == kGuardFrameTag;
}

bool vsFrame_isStackBottom(const FrameIterator* it) {
  return it->framePointer == 0 || vsGuardFrame_atPointer(it->framePointer)->interruptedFramePointer == 0;
}

bool vsFrame_isGrowthFrame(const FrameIterator* it) { return isGrowthBcp(frame(it)); }

void vsFrame_caller(FrameIterator* it) {
  const InterpreterFrame* f = frame(it);
  it->stackPointer = f->localsPointer + 4;
  it->continuation = vsWord_fromPointer(&f->returnToken);
  it->framePointer = f->callerFramePointer;
}

void vsFrame_nextChunk(FrameIterator* it) {
  const GuardFrame* g = vsGuardFrame_atPointer(it->framePointer);
  it->stackPointer = g->interruptedStackPointer;
  it->continuation = vsWord_fromPointer(&g->returnToken);
  it->framePointer = g->interruptedFramePointer;
}

uint8_t vsFrame_currentBytecode(FrameIterator* it, bool advance, const uint8_t** address) {
  InterpreterFrame* f = frame(it);
  const uint8_t* bcp = vsWord_toPointer<const uint8_t>(bcpAddress(f));
  const uint8_t op = *bcp;
  if (address != nullptr) *address = bcp;
  if (advance) f->savedBcp += advanceLength(op);
  return op;
}

void vsFrame_relocate(const FrameIterator* it, int32_t distance, bool withRecords) {
  InterpreterFrame* f = frame(it);
  if (f->callerFramePointer != 0) f->callerFramePointer = shifted(f->callerFramePointer, distance);
  f->localsPointer = shifted(f->localsPointer, distance);
  f->monitorBottom = shifted(f->monitorBottom, distance);
  if (!withRecords) return;
  const uint32_t count = vsFrame_lockRecordCount(it);
  for (uint32_t i = 0; i < count; ++i) {
    LockRecord* r = vsFrame_lockRecordAt(it, i);
    if (r->object == 0 || r->savedNear == 0) continue;
    // The owning record: the object's header points at its near copy.
    ObjectHeader* header = vsRef_as<ObjectHeader>(r->object);
    const VmWord nearCopy = vsWord_fromPointer(&r->nearCopy);
    if (header->near.raw == nearCopy - static_cast<VmWord>(distance)) header->near.raw = nearCopy;
  }
}

bool vsFrame_inCollectionForm() { return vsFrame_collectionForm != 0; }

uint32_t vsFrame_slotTypes(const FrameIterator* it, const uint8_t** types) {
  *types = nullptr;
  const InterpreterFrame* f = frame(it);
  VmHandle method;
  VmHandle map;
  vsHandle_push(&method, f->method);
  vsHandle_push(&map, vsMethod_stackmap(vsRef_as<MethodRecord>(method.object)));
  uint32_t count = 0;
  {
    vsTagStackClosure closure(&method.object);
    const VmRef tags = vsTagStackClosure_computeTagsAt(&closure, &map.object, vsFrame_bci(it));
    if (tags != 0) {
      const uint32_t locals = vsRef_as<MethodRecord>(method.object)->maxLocals;
      const uint32_t simulated = closure.top > locals ? closure.top - locals : 0;
      // A growth frame's single operand is not one of the simulated ones.
      const uint32_t depth = vsFrame_isGrowthFrame(it) ? 0 : vsFrame_stackDepth(it);
      count = (closure.top < locals ? closure.top : locals) + (depth < simulated ? depth : simulated);
      *types = reinterpret_cast<const uint8_t*>(vsRef_as<ByteArray>(tags)->elements);
    }
  }
  vsHandle_close(&method);
  return count;
}

void vsFrame_visitRoots(const FrameIterator* it, VsWordVisitor fn, void* context) {
  InterpreterFrame* f = frame(it);
  fn(&f->method, context);
  const uint8_t* types = nullptr;
  const uint32_t typed = vsFrame_slotTypes(it, &types);
  if (types == nullptr) vsVm_fatal("a frame's slots cannot be typed");
  const uint32_t locals = vsRef_as<MethodRecord>(f->method)->maxLocals;
  for (uint32_t k = 0; k < typed; ++k) {
    if (types[k] != kSlotReference) continue;
    VmWord* slot = k < locals ? vsFrame_localAt(it, k)
                              : vsWord_toPointer<VmWord>(f->monitorBottom - 4 * (k - locals + 1));
    fn(slot, context);
  }
  const uint32_t records = vsFrame_lockRecordCount(it);
  for (uint32_t i = 0; i < records; ++i) {
    LockRecord* r = vsFrame_lockRecordAt(it, i);
    fn(&r->object, context);
    // Only the record that took the lock has its other fields written; a
    // free, recursive or still contending record keeps whatever the stack
    // held before. A prepared record's saved near is in its object's header.
    if (!ownsLock(r)) continue;
    fn(&r->owner, context);
    if (r->savedNear != kPreparedNear) fn(&r->savedNear, context);
    fn(&r->monitor, context);
    fn(reinterpret_cast<VmWord*>(&r->nearCopy.classRecord), context);
    fn(reinterpret_cast<VmWord*>(&r->nearCopy.classInfo), context);
  }
}

void vsFrame_visitGuardWords(const FrameIterator* it, VsWordVisitor fn, void* context) {
  GuardFrame* g = vsGuardFrame_atPointer(it->framePointer);
  fn(&g->nextCall, context);
  fn(&g->savedPendingException, context);
  fn(&g->savedResults[2], context);
}

void vsFrame_prepareForCollection(const FrameIterator* it) {
  InterpreterFrame* f = frame(it);
  const VmWord flags = isGrowthBcp(f) ? kGrowthFrameBit : 0;
  f->savedBcp = ((bcpAddress(f) - codeOf(f)) & kOffsetFormMask) | flags;
  const uint32_t records = vsFrame_lockRecordCount(it);
  for (uint32_t i = 0; i < records; ++i) {
    LockRecord* r = vsFrame_lockRecordAt(it, i);
    if (!ownsLock(r)) continue;
    vsRef_as<ObjectHeader>(r->object)->near.raw = r->savedNear;
    r->savedNear = kPreparedNear;
  }
}

void vsFrame_finishCollection(const FrameIterator* it) {
  InterpreterFrame* f = frame(it);
  const VmWord address = codeOf(f) + (f->savedBcp & kOffsetFormMask);
  f->savedBcp = (f->savedBcp & kGrowthFrameBit) != 0 ? address | kGrowthFrameBit : address;
  f->poolBase = vsWord_fromPointer(vsMethod_constantPool(vsWord_toPointer<MethodRecord>(f->method))->entries);
  const uint32_t records = vsFrame_lockRecordCount(it);
  for (uint32_t i = 0; i < records; ++i) {
    LockRecord* r = vsFrame_lockRecordAt(it, i);
    if (r->object == 0 || r->savedNear != kPreparedNear) continue;
    ObjectHeader* header = vsRef_as<ObjectHeader>(r->object);
    r->savedNear = header->near.raw;
    header->near.raw = vsWord_fromPointer(&r->nearCopy);
  }
}

namespace {

// Calls onFrame on every interpreted frame and onGuard on every guard
// frame of the thread's stack, newest first.
template <class OnFrame, class OnGuard>
void forEachFrame(VmRef thread, OnFrame onFrame, OnGuard onGuard) {
  FrameIterator it;
  vsFrameIterator_open(&it, thread);
  while (it.framePointer != 0) {
    if (!vsFrame_isChunkEnd(&it)) {
      onFrame(&it);
      vsFrame_caller(&it);
      continue;
    }
    onGuard(&it);
    if (vsFrame_isStackBottom(&it)) break;
    vsFrame_nextChunk(&it);
  }
  vsFrameIterator_close(&it);
}

// Calls fn with the owner of every chunk of the stack-chunk list that its
// owner still runs on.
template <class Fn>
void forEachLiveStack(Fn fn) {
  for (VmRef chunk = vsJavaHeap.stackChunkList; chunk != 0;) {
    const StackChunk* c = vsRef_as<StackChunk>(chunk);
    if (c->owner != 0 && vsRef_as<ThreadRecord>(c->owner)->stackChunk == chunk) fn(c->owner);
    chunk = c->next;
  }
}

}  // namespace

void vsThreadStack_visitRoots(VmRef thread, VsWordVisitor fn, void* context) {
  forEachFrame(
      thread, [&](const FrameIterator* it) { vsFrame_visitRoots(it, fn, context); },
      [&](const FrameIterator* it) { vsFrame_visitGuardWords(it, fn, context); });
}

void vsThreadStacks_prepareForCollection() {
  forEachLiveStack([](VmRef thread) {
    forEachFrame(thread, vsFrame_prepareForCollection, [](const FrameIterator*) {});
  });
  vsFrame_collectionForm = 1;
}

void vsThreadStacks_finishCollection() {
  forEachLiveStack([](VmRef thread) {
    // The stack limit still names the chunk's place before the collection.
    ThreadRecord* t = vsRef_as<ThreadRecord>(thread);
    const VmWord before = t->stackLimit - static_cast<uint32_t>(vsVmFlags().StackPadding);
    if (t->stackChunk != before) vsThreadStack_relocate(thread, static_cast<int32_t>(t->stackChunk - before), false);
    forEachFrame(thread, vsFrame_finishCollection, [](const FrameIterator*) {});
  });
  vsFrame_collectionForm = 0;
}

void vsThreadStacks_verify(const VsStackCheck* check) {
  forEachLiveStack([check](VmRef thread) {
    const ThreadRecord* t = vsRef_as<ThreadRecord>(thread);
    const VmWord chunk = t->stackChunk;
    const VmWord base = vsThread_stackBase(thread);
    // 0: not saved (the stack pointer is saved only while switched out).
    const std::pair<VmWord, const char*> saved[] = {{t->savedLocals, "saved locals pointer outside its chunk"},
                                                    {t->savedFramePointer, "saved frame pointer outside its chunk"},
                                                    {t->stackPointer, "saved stack pointer outside its chunk"}};
    for (const auto& [word, what] : saved)
      if (word != 0 && word - chunk > base - chunk) check->fault(what, word, check->context);
    forEachFrame(
        thread,
        [check](const FrameIterator* it) {
          const uint32_t records = vsFrame_lockRecordCount(it);
          for (uint32_t i = 0; i < records; ++i) {
            LockRecord* r = vsFrame_lockRecordAt(it, i);
            if (r->object != 0) check->lock(r->object, vsWord_fromPointer(&r->nearCopy), check->context);
          }
        },
        [](const FrameIterator*) {});
  });
}

void vsFrameIterator_visitRoots(VsWordVisitor fn, void* context) {
  for (VmWord at = vsVmGlobals.frameIterators; at != 0;) {
    FrameIterator* it = vsWord_toPointer<FrameIterator>(at);
    fn(&it->thread, context);
    at = it->previous;
  }
}
