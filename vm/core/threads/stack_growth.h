// Growing and shrinking a green thread's Java stack.
//
// A thread's stack is the byte area of its stack chunk (thread_record.h);
// frames (vm/core/interp/interpreter_frames.h) are linked by frame
// pointers into that area. Growth allocates a longer chunk, copies the
// used part [stack pointer, base) to the same distance below the new base,
// and shifts every stack address that the frames and the thread record
// hold by the distance between the two bases.
//
// The used part starts at the thread's in-runtime stack pointer (word 1 of
// the thread record) and the frame walk at its in-runtime frame pointer
// (word 2): whoever grows the stack stores both first.
#pragma once

#include <cstdint>

#include "vm/core/memory/gc_hooks.h"
#include "vm/core/model/object_layout.h"

// The Java stack base of a thread record: the end of its chunk's bytes.
VmWord vsThread_stackBase(VmRef thread);

// A frame needs the stack down to newStackPointer. When that is at or
// below the stack limit: new length = chunk length + StackPadding +
// max(limit - newStackPointer, StackSizeIncrement), grown when it is at most
// StackSizeMaximum. 1, or 0 with the preallocated OutOfMemoryError pending
// (too long, or no memory for the chunk). While the VM exits, nothing
// grows and 1 is returned.
int32_t vsThread_checkStack(const VmRef* thread, VmWord newStackPointer);

// Moves the thread's stack into a new chunk of newLength bytes. 1, or 0
// with OutOfMemoryError pending (the old stack stays).
int32_t vsThread_growStack(const VmRef* thread, uint32_t newLength);

// Copies the used part of the thread's stack by distance bytes into the
// new chunk, which becomes the thread's (the old one loses its owner), and
// relocates the frames with their lock records.
void vsThreadStack_move(const VmRef* thread, const VmRef* newChunk, int32_t distance);

// After the thread's stack moved by distance bytes into the chunk the
// thread now names: shifts every address into the old stack (from the
// in-runtime stack pointer, not yet shifted, to the old base) that the
// thread record, the open frame iterators, the native parameter and pop
// pointers, each frame (vsFrame_relocate, with its records when asked) and
// each guard frame (its two saved words unless 0) hold, and the frame
// pointer of a transition that a thread other than the current one keeps
// at its saved stack pointer, and sets the stack limit from the chunk. A
// compaction that moves the chunk relocates the same way.
void vsThreadStack_relocate(VmRef thread, int32_t distance, bool withRecords);

// Before a last-resort collection: every live thread whose chunk is longer
// than StackSize gives back the low end of its chunk in whole
// StackSizeIncrements, keeping max(used + StackPadding + StackSizeIncrement
// + 80, StackSize) bytes. used reaches from the stack base down to the
// innermost frame's stack pointer (word 1) lowered by its method's maximum
// stack; a thread without a frame keeps everything. The chunk shrinks in
// place (its bytes and the stack base stay where they are, its head moves
// up), takes the thread's and the chunk list's links, and the stack limit
// follows it. (vsThread_shrinkStacks, declared in gc_hooks.h.)
