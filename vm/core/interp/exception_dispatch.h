// Finding exception handlers and unwinding a thread's frames to the one
// that catches.
//
// Exception table of a method: a short[] of entries {start_pc, end_pc,
// handler_pc, catch_type}; catch_type is a constant-pool class index, 0
// catches everything. An entry covers bci when start_pc <= bci < end_pc.
//
// Dispatch (vsException_dispatch), over the frames of the current thread
// from its top frame (its in-runtime words 1 and 2):
//   - the top frame is skipped when it is a stack-growth temporary frame;
//   - a guard frame leads into the chunk it interrupted, unless it is the
//     bottom of the stack;
//   - each interpreted frame's method is searched at the frame's bci (none
//     for the thread-kill object, which no frame catches);
//   - a frame without a handler releases its lock records. A synchronized
//     method's own record (record 0) must hold its object and every other
//     record must be free; otherwise the exception becomes a new
//     IllegalMonitorStateException, once per dispatch, and the same frame
//     is searched again. Then its caller is searched;
//   - a catch class that cannot be resolved turns its resolution error into
//     the exception, once per dispatch, and the same frame is searched
//     again; a later failure ends that frame's search without a handler;
//   - caught: the frame becomes the thread's top frame (in-runtime frame
//     pointer) with an empty operand stack (in-runtime stack pointer = its
//     monitor-area bottom), its saved bytecode pointer at the handler and
//     its continuation the interpreter's continueAtSavedBcp; the exception
//     is returned;
//   - uncaught: the bottom guard frame becomes the top (stack pointer 7
//     words below its frame pointer) holding the exception as its saved
//     pending exception, and 0 is returned; the guard's return makes it
//     pending again.
// The exceptions made on the way have their constructors queued on the
// thread: the caller runs them before the handler.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// The handler of the first entry of the method's table that covers bci and
// whose catch type is 0 or a class the exception's class is assignable to;
// with firstCovering set, of the first covering entry whatever its type.
// -1 when none; a catch class that cannot be resolved ends the search with
// -1 and its error pending.
int32_t vsMethod_findExceptionHandler(const VmRef* method, const VmRef* exceptionClass, bool firstCovering,
                                      uint32_t bci);
// The handler of the first entry that covers bci when it catches
// everything, else -1.
int32_t vsMethod_findCatchAllHandler(const MethodRecord* method, uint32_t bci);

extern "C" {
// Unwinds the current thread to the handler of the exception (see above):
// the exception, or 0 when nothing below the stack's bottom guard frame
// catches it.
VmRef vsException_dispatch(VmWord* threadSlot, VmRef exception);
}
