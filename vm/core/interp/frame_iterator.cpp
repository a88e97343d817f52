// Walking the frames of a green thread's Java stack (see frame_iterator.h).
#include "vm/core/interp/frame_iterator.h"

#include "vm/core/interp/interpreter_frames.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/threads/stack_growth.h"
#include "vm/core/threads/thread_record.h"

namespace {

inline InterpreterFrame* frame(const FrameIterator* it) { return vsFrame_atPointer(it->framePointer); }

// The saved bytecode pointer is an address, except in the temporary frame
// of a stack-growth call, which also carries bit 29: a word outside the
// method's code with that bit set. Addresses may have bit 29 set too.
bool isGrowthBcp(const InterpreterFrame* f) {
  const MethodRecord* m = vsWord_toPointer<MethodRecord>(f->method);
  const VmWord code = vsWord_fromPointer(m->code);
  return (f->savedBcp & kGrowthFrameBit) != 0 && (f->savedBcp < code || f->savedBcp - code >= m->codeLength);
}

inline VmWord bcpAddress(const InterpreterFrame* f) {
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
