// The VM's exit points: a chain of jump buffers.
//
// Leaving the VM from anywhere (System.exit, terminate, a fatal error,
// "-version") stores an exit code and jumps to the innermost exit point.
// vsVm_run pushes two: the outer one around the whole run and the inner one
// around the VM main. Each is removed again on every way out of the code
// that pushed it.
//
//   head --> [inner: jmp_buf | previous] --> [outer: jmp_buf | previous = 0]
//
// The buffers live in the frames of the functions that push them (on the
// VM thread's low stack), so the links are VM words. Because the exits are
// longjmps, VM code holds no object with a non-trivial destructor between an
// exit point and any code that can jump to it.
//
// Usage (setjmp must run in the frame that stays alive):
//   VmExitPoint point;
//   if (setjmp(point.buffer) != 0) { vsExitPoint_remove(&point); ... }
//   vsExitPoint_push(&point);
#pragma once

#include <csetjmp>

#include "ce/substrate/vm_word.h"

struct VmExitPoint {
  std::jmp_buf buffer;
  VmPtr<VmExitPoint> previous;
};

void vsExitPoint_push(VmExitPoint* point);
// Makes the point's predecessor the innermost exit point.
void vsExitPoint_remove(VmExitPoint* point);
// Jumps to the innermost exit point. Without one the process aborts: only
// code of a run may leave the VM.
[[noreturn]] void vsExitPoint_jump();
