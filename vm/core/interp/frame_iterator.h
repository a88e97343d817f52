// Walking the frames of a green thread's Java stack.
//
// A FrameIterator names one frame of a thread (the layouts are those of
// interpreter_frames.h): its frame pointer, its stack pointer (the lowest
// word of its operand stack) and the address of the word that says how
// it goes on (its continuation: the return-token word of the frame it
// called, a guard frame's return word, or 0 for the thread's top frame,
// whose continuation is the interpreter's own state).
//
// The walk starts at the thread's in-runtime frame and stack pointers
// (thread-record words 2 and 1, which whoever calls out stores first).
// Each chunk of frames ends at a guard frame; the guard at the bottom of
// the stack has no interrupted frame (its saved frame pointer is 0).
//
// Open iterators are linked through `previous`, the newest in the VM
// globals' frameIterators word, so that moving a thread's stack shifts the
// addresses each one holds. Close them in the reverse order of opening.
// Every iterator is 6 words; the thread word is a reference.
//
// Every frame is interpreted until compiled code exists.
//
// The collector's view of a frame. Between vsThreadStacks_prepareForCollection
// and vsThreadStacks_finishCollection (gc_hooks.h) every live frame is in its
// collection form: the saved bytecode pointer holds the offset of the
// bytecode from the method record less the 40-byte code base in its low 24
// bits and keeps flags in its top 8 (bit 29: the stack-growth temporary
// frame), and every locked object's header is back at the near record its
// owning lock record saved, so that no header points into a stack chunk
// (the record's saved-near word meanwhile holds 1). Finishing turns both
// back, recomputing the pool base (frame word 4) and taking the saved near
// from the header, where the collection kept it current. A record owns
// its object's lock when the object's header points at the record's near
// copy: a free or recursive record, or one still contending for its lock,
// may hold stale words.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vm/core/memory/gc_hooks.h"
#include "vm/core/model/object_layout.h"
#include "vm/core/threads/monitors.h"

struct FrameIterator {
  VmRef thread;
  VmWord stackBase;     // the thread's stack base when the iterator was opened
  VmWord framePointer;
  VmWord stackPointer;
  VmWord continuation;  // address of the word holding the frame's continuation
  VmWord previous;      // the iterator opened before this one
};

static_assert(sizeof(FrameIterator) == 24);
static_assert(offsetof(FrameIterator, framePointer) == 8 && offsetof(FrameIterator, previous) == 20);

// Opens the iterator on the thread's top frame and links it as the newest.
void vsFrameIterator_open(FrameIterator* it, VmRef thread);
// Unlinks the iterator (the newest one).
void vsFrameIterator_close(FrameIterator* it);
// Adds distance to the addresses of every open iterator of the thread.
void vsFrameIterator_shiftAll(VmRef thread, int32_t distance);

bool vsFrame_isCompiled(const FrameIterator* it);
MethodRecord* vsFrame_method(const FrameIterator* it);
// The bytecode index of the saved bytecode pointer.
uint32_t vsFrame_bci(const FrameIterator* it);
uint32_t vsFrame_localCount(const FrameIterator* it);
uint32_t vsFrame_stackDepth(const FrameIterator* it);
// Local i at the locals pointer - 4i; operand i at the stack pointer + 4i.
VmWord* vsFrame_localAt(const FrameIterator* it, uint32_t i);
VmWord* vsFrame_stackAt(const FrameIterator* it, uint32_t i);
uint32_t vsFrame_lockRecordCount(const FrameIterator* it);
// Record i lies 48 + 28i bytes below the frame pointer: record 0 is the
// lock of a synchronized method.
LockRecord* vsFrame_lockRecordAt(const FrameIterator* it, uint32_t i);
// A guard frame ends a chunk; the one without interrupted frame ends the
// stack.
bool vsFrame_isChunkEnd(const FrameIterator* it);
bool vsFrame_isStackBottom(const FrameIterator* it);
// True for the temporary frame of a stack-growth call: its saved bytecode
// pointer carries bit 29 and lies outside the method's code.
bool vsFrame_isGrowthFrame(const FrameIterator* it);
// Moves the iterator to the calling frame of an interpreted frame.
void vsFrame_caller(FrameIterator* it);
// Moves the iterator from a guard frame (not the stack bottom) to the
// frame it interrupted.
void vsFrame_nextChunk(FrameIterator* it);
// The opcode at the frame's saved bytecode pointer, and its address when
// `address` is given. With advance set and the instruction an invoke or
// athrow, the saved bytecode pointer moves past it.
uint8_t vsFrame_currentBytecode(FrameIterator* it, bool advance, const uint8_t** address);

// Adds distance to the frame's saved caller frame pointer (unless 0), its
// locals pointer and its monitor-area bottom. With records, every lock
// record that holds its object's lock also has the object's header moved
// to the record's new near copy.
void vsFrame_relocate(const FrameIterator* it, int32_t distance, bool withRecords);

// Slot types of an interpreted frame (1 reference, 2 other): the locals
// 0 .. maxLocals - 1, then the operand stack from its bottom item (the
// word just below the monitor-area bottom) upwards, as the bytecode
// simulation gives them at the frame's bci. Returns the number of typed
// slots and points *types at them (in the shared tag array, valid until
// the next simulation); operand words beyond them (a call transition, or
// the one word of a stack-growth frame) are not references. Neither
// allocates nor resolves. Returns 0 with *types null when the frame
// cannot be typed (no tag array).
uint32_t vsFrame_slotTypes(const FrameIterator* it, const uint8_t** types);
// Calls fn on the frame's method word, on every slot typed 1 and on the
// object word of every lock record; a record that owns its object's lock
// also has its owner, saved near (unless prepared), monitor and its near
// copy's class record and class info visited.
void vsFrame_visitRoots(const FrameIterator* it, VsWordVisitor fn, void* context);
// Calls fn on a guard frame's three reference words: the slot for the next
// pending call, the saved pending exception and the saved object result.
void vsFrame_visitGuardWords(const FrameIterator* it, VsWordVisitor fn, void* context);
// The collection form of one interpreted frame and back (see above).
void vsFrame_prepareForCollection(const FrameIterator* it);
void vsFrame_finishCollection(const FrameIterator* it);
// True between the collector's prepare and finish steps.
bool vsFrame_inCollectionForm();
