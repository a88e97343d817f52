// Unwinding a thread's frames to the handler of an exception (see
// exception_dispatch.h).
#include "vm/core/interp/exception_dispatch.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/frame_iterator.h"
#include "vm/core/interp/interpreter.h"
#include "vm/core/interp/interpreter_frames.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/threads/monitors.h"
#include "vm/core/threads/thread_record.h"

namespace {

VmRef takePending() {
  const VmRef e = vsPendingException();
  vsPendingException() = 0;
  return e;
}

// Releases the lock records the frame still holds, from the lowest up:
// true when that was exactly the lock of a synchronized method.
bool releaseLocks(const FrameIterator* it) {
  const bool synchronized =
      (vsFrame_method(it)->accessFlags & kMethodSynchronized) != 0 && !vsFrame_isGrowthFrame(it);
  bool balanced = true;
  for (uint32_t i = vsFrame_lockRecordCount(it); i-- > 0;) {
    LockRecord* r = vsFrame_lockRecordAt(it, i);
    const bool methodLock = synchronized && i == 0;
    if (r->object == 0) {
      if (methodLock) balanced = false;
      continue;
    }
    if (!methodLock) balanced = false;
    // A record whose lock cannot be given back is unbalanced as well.
    if (vsMonitor_releaseUnwinding(r) == 0) {
      takePending();
      balanced = false;
    }
    r->object = 0;
  }
  return balanced;
}

// The frame catches at the handler: it becomes the thread's top frame.
void enterHandler(ThreadRecord* t, const FrameIterator* it, int32_t handler) {
  InterpreterFrame* f = vsFrame_atPointer(it->framePointer);
  f->savedBcp = vsWord_fromPointer(vsFrame_method(it)->code + handler);
  if (it->continuation != 0) *vsWord_toPointer<VmWord>(it->continuation) = vsInterpreter_continueAtSavedBcpToken();
  t->savedFramePointer = it->framePointer;
  t->savedLocals = f->monitorBottom;
}

// Nothing catches: the bottom guard frame becomes the top and returns with
// the exception pending; the calls it had still to run are dropped.
void leaveAtBottom(ThreadRecord* t, const FrameIterator* it, VmRef exception) {
  if (it->framePointer == 0) {
    vsPendingException() = exception;
    return;
  }
  GuardFrame* g = vsGuardFrame_atPointer(it->framePointer);
  g->savedPendingException = exception;
  g->nextCall = 0;
  t->savedFramePointer = it->framePointer;
  t->savedLocals = vsWord_fromPointer(&g->nextCall);
}

}  // namespace

extern "C" VmRef vsException_dispatch(VmWord* threadSlot, VmRef exception) {
  VmHandle thread, thrown, method, cls;
  vsHandle_push(&thread, *threadSlot);
  vsHandle_push(&thrown, exception);
  vsHandle_pushEmpty(&method);
  vsHandle_pushEmpty(&cls);
  const bool kill = exception == vsVmGlobals.threadKillObject;
  bool monitorsReplaced = false;
  bool resolutionReplaced = false;
  VmRef result = 0;
  FrameIterator it;
  vsFrameIterator_open(&it, thread.object);
  if (!vsFrame_isChunkEnd(&it) && vsFrame_isGrowthFrame(&it)) vsFrame_caller(&it);
  for (;;) {
    if (vsFrame_isChunkEnd(&it)) {
      if (vsFrame_isStackBottom(&it)) {
        leaveAtBottom(vsRef_as<ThreadRecord>(thread.object), &it, thrown.object);
        break;
      }
      vsFrame_nextChunk(&it);
      continue;
    }
    int32_t handler = -1;
    if (!kill) {
      method.object = vsRef_of(vsFrame_method(&it));
      cls.object = vsRef_of(vsObject_class(thrown.object));
      handler = vsMethod_findExceptionHandler(&method.object, &cls.object, false, vsFrame_bci(&it));
      if (vsException_isPending()) {
        const VmRef failure = takePending();
        if (!resolutionReplaced) {
          resolutionReplaced = true;
          thrown.object = failure;
          continue;
        }
      }
    }
    if (handler >= 0) {
      enterHandler(vsRef_as<ThreadRecord>(thread.object), &it, handler);
      result = thrown.object;
      break;
    }
    if (!releaseLocks(&it) && !monitorsReplaced && !kill) {
      monitorsReplaced = true;
      vsException_raiseWithCode(kIllegalMonitorStateClass, 0);
      thrown.object = takePending();
      continue;
    }
    vsFrame_caller(&it);
  }
  vsFrameIterator_close(&it);
  vsHandle_close(&thread);
  return result;
}
