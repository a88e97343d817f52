// Growing a green thread's Java stack.
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

// Shifts by distance bytes the stack addresses held by the frames that
// start at the thread's in-runtime frame pointer (locals pointers,
// monitor-area bottoms, caller frame pointers, the two saved words of each
// guard frame unless 0) and by the thread record (in-runtime words, saved
// stack pointer). The frames are read at their new place.
void vsThreadStack_relocate(VmRef thread, int32_t distance, VmWord oldLow, VmWord oldBase);
