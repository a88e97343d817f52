// The interpreter loop (see interpreter.h and interpreter_frames.h).
//
// Registers inside run(): sp, fp, lp (local 0), cp (pool entry 0), bcp.
// A handler that calls out first stores bcp into its frame and the
// thread's in-runtime words (thread-record word 1: the stack pointer, word
// 2: the frame pointer), and afterwards throws a pending exception at that
// bytecode or runs the calls the runtime queued, under a guard frame.
// Word 14 is where the runtime's calls into Java put their guard frame (0:
// at the stack base).
//
// Tokens (below) stand where machine code would keep a return address:
// frame word 7 (how the caller goes on) and the guard frame's return (how
// the interrupted code goes on: rerun its bytecode, finish its native's
// return, or return to the runtime).
//
// Unwinding is the exception dispatcher's (exception_dispatch.h): it leaves
// the catching frame, or the bottom guard frame, as the thread's top frame
// in its in-runtime words, and the loop goes on from there.
#include "vm/core/interp/interpreter.h"

#include <csetjmp>
#include <cstring>

#include "vm/core/interp/exception_dispatch.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/interpreter_frames.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/interp/pool_resolution.h"
#include "vm/core/interp/quickening.h"
#include "vm/core/interp/runtime_entries.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/multi_array.h"
#include "vm/core/threads/pending_calls.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/subtype.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/natives/math_stubs.h"
#include "vm/core/natives/soft_double.h"
#include "vm/core/natives/soft_float.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/interp/native_calls.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/stack_growth.h"
#include "vm/core/threads/thread_end.h"
#include "vm/core/threads/thread_record.h"

namespace {

// The return tokens, each word preceded by a 0 word (the inline word after
// an interpreted call site). A token word holds its own index.
enum Token : uint32_t {
  kTokenAfterInvoke3 = 1,      // frame word 7: the caller goes on after a 3-byte invoke
  kTokenAfterInvoke5 = 3,      // ... after a 5-byte invoke
  kTokenPendingCallReturn = 5, // ... with the guard frame's next pending call
  kTokenContinueAtSavedBcp = 7,  // guard frame: rerun the interrupted bytecode
  kTokenAfterNative = 9,       // guard frame: finish the interrupted native's return
  kTokenRuntimeReturn = 11,    // guard frame: return to the runtime
  kTokenThreadStart = 13,      // first frames, guard frame: the thread's start and end
};
const VmWord kTokens[14] = {0, 1, 0, 3, 0, 5, 0, 7, 0, 9, 0, 11, 0, 13};
inline VmWord token(Token t) { return vsWord_fromPointer(&kTokens[t]); }
inline VmWord tokenAfterInvoke3() { return token(kTokenAfterInvoke3); }
inline VmWord tokenAfterInvoke5() { return token(kTokenAfterInvoke5); }
inline VmWord tokenPendingCall() { return token(kTokenPendingCallReturn); }
inline VmWord tokenContinueAtSavedBcp() { return token(kTokenContinueAtSavedBcp); }
inline VmWord tokenAfterNative() { return token(kTokenAfterNative); }
inline VmWord tokenRuntimeReturn() { return token(kTokenRuntimeReturn); }
inline VmWord tokenThreadStart() { return token(kTokenThreadStart); }


// The loop's registers point only into VM memory (see vsWord_fromLowPointer).
inline VmWord w(const void* p) { return vsWord_fromLowPointer(p); }
template <class T>
inline T* p(VmWord word) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(word));
}

// The runtime entry of a slot of the table, called as compiled code calls it.
template <class F>
inline F* runtimeEntry(RuntimeSlot slot) {
  return p<F>(vsVmGlobals.runtimeEntryTable[slot]);
}

inline uint64_t get64(const VmWord* at) {
  uint64_t v;
  std::memcpy(&v, at, 8);
  return v;
}
inline void put64(VmWord* at, uint64_t v) { std::memcpy(at, &v, 8); }

inline int16_t s16be(const uint8_t* b) { return static_cast<int16_t>((b[0] << 8) | b[1]); }
inline uint16_t u16be(const uint8_t* b) { return static_cast<uint16_t>((b[0] << 8) | b[1]); }
inline uint16_t u16le(const uint8_t* b) { return static_cast<uint16_t>(b[0] | (b[1] << 8)); }
inline int32_t s32be(const uint8_t* b) {
  return static_cast<int32_t>((uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3]);
}
inline int32_t s32le(const uint8_t* b) {
  uint32_t v;
  std::memcpy(&v, b, 4);
  return static_cast<int32_t>(v);
}

inline ThreadRecord* currentThread() { return p<ThreadRecord>(vsVmGlobals.currentThread); }
inline VmWord stackLimit() { return vsVmGlobals.yieldWord & ~VmWord{1}; }

// Java's float comparison on bit patterns: -1, 0, 1, or `nan` when either
// side is a NaN; +0 equals -0.
int32_t compareFloatBits(uint32_t a, uint32_t b, int32_t nan) {
  if ((a & 0x7fffffffu) > 0x7f800000u || (b & 0x7fffffffu) > 0x7f800000u) return nan;
  if (((a | b) & 0x7fffffffu) == 0) return 0;
  // Sign-magnitude to an order-preserving signed value.
  const int32_t x = (a & 0x80000000u) ? -static_cast<int32_t>(a & 0x7fffffffu) : static_cast<int32_t>(a);
  const int32_t y = (b & 0x80000000u) ? -static_cast<int32_t>(b & 0x7fffffffu) : static_cast<int32_t>(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

inline int64_t javaLdiv(int64_t a, int64_t b) {
  return b == -1 ? static_cast<int64_t>(0 - static_cast<uint64_t>(a)) : a / b;
}
inline int64_t javaLrem(int64_t a, int64_t b) { return b == -1 ? 0 : a % b; }

VmRef newTypedArray(int32_t type, int32_t n) {
  if (type == kTypeByte) return vsJavaHeap_newByteArray(n);
  if (type == kTypeBoolean) return vsJavaHeap_newBooleanArray(n);
  return vsJavaHeap_newTypedArray(&vsRoot(vsRoot_primitiveArray(type)), n);
}

// The first word of the method's code that follows the opcode of a body of
// kind 229: {result type, 0, 0, function}.
inline VsNativeFunction nativeFunctionOf(const uint8_t* bcp) {
  VmWord f;
  std::memcpy(&f, bcp + 4, 4);
  return reinterpret_cast<VsNativeFunction>(static_cast<uintptr_t>(f));
}

// Initialize fills the tables; Run runs the current thread's pending
// calls under a guard frame that returns to the runtime; Resume goes on
// with the current thread from its saved transition, and with whichever
// thread is current after each switch, until no thread is left.
enum class Mode { Initialize, Run, Resume };

// The first frames of a thread, from its saved stack pointer up: the
// transition {frame pointer 0, thread start}, then the steps of its end
// (thread_end.h) and the flag word that skips all but the termination.
struct FirstFrames {
  VmWord framePointer;
  VmWord continuation;
  VmWord terminate;
  VmWord uncaught;
  VmWord exit;  // 0 once the exit step has run
  VmWord finish;
  VmWord flag;
};
inline constexpr uint32_t kTransitionWords = 2;

inline VmWord stepWord(void (*step)()) { return vsWord_fromPointer(reinterpret_cast<const void*>(step)); }
inline void runStep(VmWord step) { p<void()>(step)(); }

// Lock record i of the frame at fp, and their count.
inline LockRecord* lockRecordAt(VmWord* fp, uint32_t i) { return p<LockRecord>(vsFrame_lockRecordAddress(w(fp), i)); }
inline uint32_t lockRecordCount(VmWord* fp) { return vsFrame_lockRecordCountAt(w(fp)); }

// The contended halves of locking belong to the monitors: they are reached
// through runtime entries 2 and 3 of the table.
void callMonitorSlot(RuntimeSlot slot, LockRecord* record) {
  runtimeEntry<void(VmWord*, LockRecord*)>(slot)(&vsVmGlobals.currentThread, record);
}

// The fast path of monitor enter into a free record.
void lockInto(LockRecord* record, VmRef object, ThreadRecord* thread) {
  record->object = object;
  ObjectHeader* header = p<ObjectHeader>(object);
  ObjectNear* near = header->near.get();
  if ((near->hashAndLock & 1) == 0) {
    record->owner = w(thread);
    record->savedNear = w(near);
    record->monitor = 0;
    record->nearCopy = *near;
    record->nearCopy.hashAndLock |= 1;
    header->near.raw = w(&record->nearCopy);
    return;
  }
  if (p<LockRecord>(w(near) - kLockRecordNearCopyOffset)->owner == w(thread)) {
    record->savedNear = 0;
    return;
  }
  callMonitorSlot(kRuntimeSlotMonitorEnterSlow, record);
}

// The fast path of monitor exit of a record that holds an object.
void unlockRecord(LockRecord* record) {
  const VmRef object = record->object;
  record->object = 0;
  if (record->savedNear == 0) return;
  vsJavaHeap_storeReference(&p<ObjectHeader>(object)->near.raw, record->savedNear);
  if ((record->nearCopy.hashAndLock & 2) != 0) callMonitorSlot(kRuntimeSlotMonitorExitSlow, record);
}

// Grows the thread's stack so that `bytes` fit below sp, moving sp and fp
// with it: true, or false with OutOfMemoryError pending.
bool growStack(ThreadRecord* thread, VmWord*& sp, VmWord*& fp, uint32_t bytes) {
  thread->savedLocals = w(sp);
  thread->savedFramePointer = w(fp);
  VmHandle held;
  vsHandle_push(&held, vsRef_of(thread));
  const VmWord before = vsThread_stackBase(held.object);
  const bool ok = w(sp) >= bytes && vsThread_checkStack(&held.object, w(sp) - bytes) != 0;
  if (w(sp) < bytes) vsException_throwOutOfMemoryError();
  const int32_t distance = static_cast<int32_t>(vsThread_stackBase(held.object) - before);
  vsHandle_close(&held);
  sp = p<VmWord>(w(sp) + static_cast<VmWord>(distance));
  if (fp != nullptr) fp = p<VmWord>(w(fp) + static_cast<VmWord>(distance));
  return ok;
}

}  // namespace

namespace {

void run(Mode mode) {
  if (mode == Mode::Initialize) {
    void* table[256];
#define VS_DISPATCH_ROW(id, name, code, length, wide, handler) table[id] = &&handler;
    VS_BYTECODE_TABLE(VS_DISPATCH_ROW)
#undef VS_DISPATCH_ROW
    for (int i = 0; i < 256; ++i) vsVmGlobals.dispatchTable[i] = w(table[i]);
    return;
  }

  ThreadRecord* thread = currentThread();
  VmWord* sp;
  VmWord* fp;
  VmWord* lp = nullptr;
  VmWord* cp = nullptr;
  const uint8_t* bcp = nullptr;
  MethodRecord* callee = nullptr;
  VmWord returnToken = 0;
  VmWord resumeToken = 0;
  // The frame whose throw has run the calls queued with its exception.
  VmWord* queuedCallsFrame = nullptr;
  int32_t calleeExtra = 0;
  uint32_t resultCount = 0;
  VmWord result0 = 0, result1 = 0;

#define DISPATCH() goto* p<void>(vsVmGlobals.dispatchTable[*bcp])
#define NEXT(n)   \
  do {            \
    bcp += (n);   \
    DISPATCH();   \
  } while (0)
#define FRAME() vsFrame_atPointer(w(fp))
#define SAVE_STATE()                         \
  do {                                       \
    FRAME()->savedBcp = w(bcp);              \
    thread->savedLocals = w(sp);             \
    thread->savedFramePointer = w(fp);       \
  } while (0)
// After a call out that may have collected: the thread record, its stack
// and the frame's method and pool may have moved, so the registers come
// back from the words SAVE_STATE wrote (which the collector updated).
#define RELOAD_REGISTERS()                          \
  do {                                              \
    thread = currentThread();                       \
    fp = p<VmWord>(thread->savedFramePointer);      \
    sp = p<VmWord>(thread->savedLocals);            \
  } while (0)
#define RESTORE_STATE() \
  do {                  \
    RELOAD_REGISTERS(); \
    RELOAD_FRAME();     \
  } while (0)
// After a call out: the registers restored; a pending exception is thrown
// at this bytecode, queued calls run before it is executed again.
#define AFTER_CALL()                                   \
  do {                                                 \
    RESTORE_STATE();                                   \
    if (vsException_isPending()) goto throw_pending;   \
    if (thread->pendingCalls != 0) goto run_pending;   \
  } while (0)
#define THROW(raise) \
  do {               \
    SAVE_STATE();    \
    raise;           \
    RELOAD_REGISTERS(); \
    goto throw_pending; \
  } while (0)
// The switch point after a native or runtime entry: when another thread
// is to run (and no exception is to be thrown here first), this thread
// keeps `at` as its saved bytecode and a transition that says how it goes
// on, and the loop goes on with the thread the scheduler makes current.
#define SWITCH_POINT(resume, at)                                                          \
  do {                                                                                    \
    if (!vsException_isPending() && vsRoot(kRootNextThread) != vsVmGlobals.currentThread) { \
      FRAME()->savedBcp = w(at);                                                          \
      resumeToken = (resume);                                                             \
      goto switch_out;                                                                    \
    }                                                                                     \
  } while (0)
// When a yield is requested: runtime entry 1 through the table, then the
// switch point (the thread goes on by running the same bytecode again).
#define YIELD_CHECK()                                                                    \
  do {                                                                                   \
    if ((vsVmGlobals.yieldWord & 1) != 0) {                                              \
      SAVE_STATE();                                                                      \
      runtimeEntry<void(VmWord*)>(kRuntimeSlotYieldCheck)(&vsVmGlobals.currentThread);   \
      RESTORE_STATE();                                                                   \
      SWITCH_POINT(tokenContinueAtSavedBcp(), bcp);                                      \
      AFTER_CALL();                                                                      \
    }                                                                                    \
  } while (0)
// The registers of the frame at fp, from its words.
#define RELOAD_FRAME()                                   \
  do {                                                   \
    const InterpreterFrame* reloaded = FRAME();          \
    lp = p<VmWord>(reloaded->localsPointer);             \
    cp = p<VmWord>(reloaded->poolBase);                  \
    bcp = p<const uint8_t>(reloaded->savedBcp);          \
  } while (0)
#define NULL_CHECK(ref)                                              \
  do {                                                               \
    if ((ref) == 0) THROW(vsException_raiseWithCode(kNullPointerClass, 0)); \
  } while (0)

  if (mode == Mode::Resume) goto resume_current;
  // Entry from the runtime: a guard frame below the thread's saved stack
  // pointer, or at its stack base.
  {
    const VmWord top = thread->stackPointer != 0 ? thread->stackPointer : vsThread_stackBase(vsRef_of(thread));
    sp = p<VmWord>(top);
    fp = nullptr;
  }
  returnToken = tokenRuntimeReturn();
  goto push_guard;

// ---- threads -------------------------------------------------------------
switch_out:
  // This thread keeps its transition {frame pointer, how it goes on} below
  // its operands; the scheduler picks the thread that runs next.
  sp -= kTransitionWords;
  sp[0] = w(fp);
  sp[1] = resumeToken;
  thread->stackPointer = w(sp);
  thread->savedLocals = w(sp);
  thread->savedFramePointer = w(fp);
  vsScheduler_switchAfterNative();
  goto resume_current;

resume_current : {
  // The current thread goes on from its saved transition.
  thread = currentThread();
  sp = p<VmWord>(thread->stackPointer);
  fp = p<VmWord>(sp[0]);
  const VmWord continuation = sp[1];
  sp += kTransitionWords;
  if (continuation == tokenThreadStart()) goto thread_start;
  if (continuation != tokenContinueAtSavedBcp() && continuation != tokenAfterNative())
    vsVm_fatal("a thread continues in compiled code");
  RELOAD_FRAME();
  if (vsException_isPending()) goto throw_pending;
  if (thread->pendingCalls != 0) {
    returnToken = continuation;
    goto push_guard;
  }
  if (continuation == tokenAfterNative()) goto native_return;
  DISPATCH();
}

thread_start:
  // sp at the first frames' steps: the thread's calls run under a guard
  // frame that comes back here.
  if (thread->pendingCalls != 0) {
    returnToken = tokenThreadStart();
    goto push_guard;
  }
thread_steps : {
  // The steps run with no frame on the stack: a collection they cause
  // must find none. It may move the thread's record and stack: both are
  // read again after each step that allocates.
  thread->savedLocals = w(sp);
  thread->savedFramePointer = 0;
  const auto firstFrames = [&]() {
    thread = currentThread();
    sp = p<VmWord>(thread->savedLocals);
    return reinterpret_cast<FirstFrames*>(sp - kTransitionWords);
  };
  FirstFrames* first = firstFrames();
  const bool ending = first->flag == 0 && vsVmState().exiting == 0;
  if (ending && first->exit != 0) {
    if (vsException_isPending()) runStep(first->uncaught);
    runStep(firstFrames()->exit);
    firstFrames()->exit = 0;
    goto thread_start;
  }
  if (ending) runStep(first->finish);
  // The termination may collect: the ended thread is held in a handle.
  VmHandle ended;
  vsHandle_push(&ended, w(thread));
  runStep(first->terminate);
  const bool stays = vsVmGlobals.currentThread == ended.object;
  vsHandle_close(&ended);
  // With no thread left the ended one stays current: back to the runtime.
  if (stays) return;
  goto resume_current;
}

run_pending:
  // The runtime queued calls while this bytecode ran: they run under a guard
  // frame, then the bytecode runs again.
  FRAME()->savedBcp = w(bcp);
  returnToken = tokenContinueAtSavedBcp();
  goto push_guard;

push_guard : {
  // Room for the guard frame and the arguments of the longest call.
  uint32_t words = 0;
  for (VmRef c = thread->pendingCalls; c != 0; c = vsRef_as<ArgumentBlock>(c)->ref1)
    if (vsRef_as<ArgumentBlock>(c)->count > words) words = vsRef_as<ArgumentBlock>(c)->count;
  words += kGuardFrameWords;
  if (w(sp) - 4 * words <= stackLimit()) {
    const bool grown = growStack(thread, sp, fp, 4 * words);
    thread = currentThread();
    if (!grown) {
      if (returnToken == tokenThreadStart()) goto thread_steps;
      if (fp == nullptr) return;
      goto throw_pending;
    }
  }
  sp -= kGuardFrameWords;
  GuardFrame* g = reinterpret_cast<GuardFrame*>(sp);
  g->nextCall = thread->pendingCalls;
  thread->pendingCalls = 0;
  g->savedPendingException = vsVmGlobals.pendingException;
  vsVmGlobals.pendingException = 0;
  g->savedResults[0] = thread->resultLow;
  g->savedResults[1] = thread->resultHigh;
  g->savedResults[2] = thread->interpreterReference17;
  g->interruptedFramePointer = w(fp);
  g->interruptedStackPointer = w(sp + kGuardFrameWords);
  g->returnToken = returnToken;
  g->endTag = kGuardFrameTag;
  fp = &g->returnToken;
  thread->stackPointer = w(sp);
  VS_ASSERT(w(sp) > stackLimit(), "the stack pointer stays above its limit");
}

next_pending_call : {
  GuardFrame* g = vsGuardFrame_atPointer(w(fp));
  sp = &g->nextCall;
  const VmRef call = g->nextCall;
  if (call == 0) goto guard_done;
  ArgumentBlock* block = vsRef_as<ArgumentBlock>(call);
  g->nextCall = block->ref1;
  // The arguments go below the guard frame; the slot for the next call
  // stays its lowest word.
  for (uint32_t i = 0; i < block->count; ++i) *--sp = block->entries[i].value;
  callee = vsRef_as<MethodRecord>(block->ref0);
  returnToken = tokenPendingCall();
  goto invoke;
}

guard_done : {
  GuardFrame* g = vsGuardFrame_atPointer(w(fp));
  VS_ASSERT(g->endTag == kGuardFrameTag, "a guard frame ends with its tag");
  const VmWord back = g->returnToken;
  sp = reinterpret_cast<VmWord*>(g + 1);
  fp = p<VmWord>(g->interruptedFramePointer);
  if (vsVmGlobals.pendingException == 0) vsVmGlobals.pendingException = g->savedPendingException;
  if (back == tokenRuntimeReturn()) {
    thread->stackPointer = g->interruptedStackPointer;
    return;
  }
  if (back == tokenThreadStart()) goto thread_steps;
  thread->resultLow = g->savedResults[0];
  thread->resultHigh = g->savedResults[1];
  vsJavaHeap_storeReference(&thread->interpreterReference17, g->savedResults[2]);
  // Back in the interrupted frame: rerun its bytecode or finish its native
  // call, or throw.
  RELOAD_FRAME();
  if (vsException_isPending()) goto throw_pending;
  if (back == tokenAfterNative()) goto native_return;
  DISPATCH();
}

// ---- calls ---------------------------------------------------------------
// callee and returnToken set; sp at the last argument.
invoke : {
  const int32_t kind = vsMethodEntry_kindOfWord(*callee->entryWord.get());
  switch (kind) {
    case kEntryGeneral:
      calleeExtra = static_cast<int32_t>(callee->maxLocals) - callee->parameterWords;
      goto enter_interpreted;
    case kEntryNoExtraLocals:
    case kEntryExtraLocals1:
    case kEntryExtraLocals2:
    case kEntryExtraLocals3:
    case kEntryExtraLocals4:
      calleeExtra = kind - kEntryNoExtraLocals;
      goto enter_interpreted;
    case kEntryAccessorByte:
    case kEntryAccessorShort:
    case kEntryAccessorChar:
    case kEntryAccessorWord:
    case kEntryAccessorLong: {
      // No frame: the object's field at the byte offset that the method
      // record keeps in its max-locals half-word.
      const VmRef object = sp[0];
      if (object == 0) THROW(vsException_raiseWithCode(kNullPointerClass, 0));
      const uint8_t* field = p<const uint8_t>(object) + callee->maxLocals;
      sp += 1;
      resultCount = 1;
      switch (kind) {
        case kEntryAccessorByte:
          result0 = static_cast<VmWord>(static_cast<int32_t>(static_cast<int8_t>(*field)));
          break;
        case kEntryAccessorShort: {
          int16_t v;
          std::memcpy(&v, field, 2);
          result0 = static_cast<VmWord>(static_cast<int32_t>(v));
          break;
        }
        case kEntryAccessorChar: {
          uint16_t v;
          std::memcpy(&v, field, 2);
          result0 = v;
          break;
        }
        case kEntryAccessorWord:
          std::memcpy(&result0, field, 4);
          break;
        default:
          resultCount = 2;
          std::memcpy(&result0, field, 4);
          std::memcpy(&result1, field + 4, 4);
          break;
      }
      goto deliver_results;
    }
    case kEntryNativeDirectVoid:
    case kEntryNativeDirectWord:
    case kEntryNativeDirectReference: {
      // No frame: the parameters are popped and the native function that
      // the method record holds in place of max stack and max locals runs.
      // Without a frame there is nowhere to keep how the caller goes on,
      // so there is no switch point here: these natives never block, and
      // a thread chosen meanwhile takes over at the next switch point.
      const uint32_t params = callee->parameterWords;
      const bool isStatic = (callee->accessFlags & kMethodStatic) != 0;
      VmWord function;
      std::memcpy(&function, &callee->maxStack, 4);
      vsVmGlobals.nativeParameterPointer = w(sp + params - (isStatic ? 0 : 1));
      sp += params;
      thread->savedLocals = w(sp);
      thread->savedFramePointer = w(fp);
      thread->resultLow = 0;
      p<void()>(function)();
      RELOAD_REGISTERS();
      if (vsException_isPending()) goto throw_pending;
      resultCount = kind == kEntryNativeDirectVoid ? 0 : 1;
      result0 = thread->resultLow;
      goto deliver_results;
    }
    case kEntryIntrinsicMathSin:
    case kEntryIntrinsicMathCos:
    case kEntryIntrinsicMathTan:
    case kEntryIntrinsicMathSqrt:
    case kEntryIntrinsicMathCeil:
    case kEntryIntrinsicMathFloor: {
      using MathRoutine = uint64_t (*)(uint64_t);
      static constexpr MathRoutine kRoutines[] = {vsMath_sin,  vsMath_cos,  vsMath_tan,
                                                  vsMath_sqrt, vsMath_ceil, vsMath_floor};
      const uint64_t r = kRoutines[kind - kEntryIntrinsicMathSin](get64(sp));
      sp += 2;
      resultCount = 2;
      result0 = static_cast<VmWord>(r);
      result1 = static_cast<VmWord>(r >> 32);
      goto deliver_results;
    }
    case kEntryIntrinsicBitsDoubleToLongBits:
    case kEntryIntrinsicBitsLongBitsToDouble: {
      uint64_t bits = get64(sp);
      if (kind == kEntryIntrinsicBitsDoubleToLongBits && (bits & 0x7fffffffffffffffull) > 0x7ff0000000000000ull)
        bits = 0x7ff8000000000000ull;
      sp += 2;
      resultCount = 2;
      result0 = static_cast<VmWord>(bits);
      result1 = static_cast<VmWord>(bits >> 32);
      goto deliver_results;
    }
    case kEntryIntrinsicBitsFloatToIntBits:
    case kEntryIntrinsicBitsIntBitsToFloat: {
      result0 = sp[0];
      if (kind == kEntryIntrinsicBitsFloatToIntBits && (result0 & 0x7fffffffu) > 0x7f800000u) result0 = 0x7fc00000u;
      sp += 1;
      resultCount = 1;
      goto deliver_results;
    }
    case kEntryIntrinsicIndexOf: {
      // String.indexOf(int ch, int from).
      const StringObject* string = p<StringObject>(sp[2]);
      const uint32_t ch = sp[1];
      int32_t from = static_cast<int32_t>(sp[0]);
      sp += 3;
      resultCount = 1;
      result0 = static_cast<VmWord>(-1);
      if (from < 0) from = 0;
      if (ch <= 0xffffu) {
        const uint16_t* chars = p<CharArray>(string->value)->elements + string->offset;
        for (int32_t i = from; i < string->count; ++i)
          if (chars[i] == ch) {
            result0 = static_cast<VmWord>(i);
            break;
          }
      }
      goto deliver_results;
    }
    case kEntryIntrinsicCompareTo: {
      // String.compareTo(String); a null argument runs the method's code,
      // which throws.
      if (sp[0] == 0) {
        calleeExtra = static_cast<int32_t>(callee->maxLocals) - callee->parameterWords;
        goto enter_interpreted;
      }
      const StringObject* a = p<StringObject>(sp[1]);
      const StringObject* b = p<StringObject>(sp[0]);
      const uint16_t* ca = p<CharArray>(a->value)->elements + a->offset;
      const uint16_t* cb = p<CharArray>(b->value)->elements + b->offset;
      const int32_t n = a->count < b->count ? a->count : b->count;
      int32_t r = a->count - b->count;
      for (int32_t i = 0; i < n; ++i)
        if (ca[i] != cb[i]) {
          r = static_cast<int32_t>(ca[i]) - static_cast<int32_t>(cb[i]);
          break;
        }
      sp += 2;
      resultCount = 1;
      result0 = static_cast<VmWord>(r);
      goto deliver_results;
    }
    case kEntryIntrinsicArraycopy: {
      // System.arraycopy(src, srcPos, dst, dstPos, length) inline when it
      // cannot fail and needs no backward copy; else the method's own form.
      const VmRef src = sp[4], dst = sp[2];
      const int32_t srcPos = static_cast<int32_t>(sp[3]), dstPos = static_cast<int32_t>(sp[1]);
      const int32_t length = static_cast<int32_t>(sp[0]);
      ClassRecord* cls = src != 0 ? vsObject_class(src) : nullptr;
      const bool inline_ = src != 0 && dst != 0 && cls == vsObject_class(dst) && vsClass_isArrayClass(cls) &&
                           (srcPos | dstPos | length) >= 0 &&
                           static_cast<uint32_t>(srcPos) + static_cast<uint32_t>(length) <=
                               static_cast<uint32_t>(p<ArrayObject>(src)->length) &&
                           static_cast<uint32_t>(dstPos) + static_cast<uint32_t>(length) <=
                               static_cast<uint32_t>(p<ArrayObject>(dst)->length) &&
                           !(src == dst && srcPos < dstPos);
      if (!inline_) {
        calleeExtra = static_cast<int32_t>(callee->maxLocals) - callee->parameterWords;
        goto enter_interpreted;
      }
      const uint32_t size = static_cast<uint32_t>(vsArrayClass_elementSize(cls));
      uint8_t* from = p<uint8_t>(src) + kArrayElementsOffset + size * static_cast<uint32_t>(srcPos);
      uint8_t* to = p<uint8_t>(dst) + kArrayElementsOffset + size * static_cast<uint32_t>(dstPos);
      if (vsObject_isObjectArray(src)) {
        for (int32_t i = 0; i < length; ++i)
          vsJavaHeap_storeReference(reinterpret_cast<VmWord*>(to) + i, reinterpret_cast<VmWord*>(from)[i]);
      } else {
        std::memmove(to, from, size * static_cast<uint32_t>(length));
      }
      sp += 5;
      resultCount = 0;
      goto deliver_results;
    }
    default:
      vsVm_fatal("jump through an entry word of no known kind");
  }
}

enter_interpreted : {
  const uint32_t params = callee->parameterWords;
  // Room for the frame, the extra locals, the operand stack and the lock
  // record of a synchronized method.
  const uint32_t need = kInterpreterFrameWords + static_cast<uint32_t>(calleeExtra) + callee->maxStack +
                        ((callee->accessFlags & kMethodSynchronized) != 0 ? kLockRecordWords : 0);
  if (w(sp) < 4 * need || w(sp) - 4 * need <= stackLimit()) {
    // The new chunk's allocation may move the method record.
    VmHandle method;
    vsHandle_push(&method, vsRef_of(callee));
    const bool grown = growStack(thread, sp, fp, 4 * need);
    callee = p<MethodRecord>(method.object);
    vsHandle_close(&method);
    thread = currentThread();
    if (!grown) goto throw_pending;
  }
  VmWord* newLp = sp + params - 1;
  sp -= calleeExtra;
  sp -= kInterpreterFrameWords;
  InterpreterFrame* f = reinterpret_cast<InterpreterFrame*>(sp);
  f->monitorBottom = w(sp);
  f->savedBcp = w(callee->code);
  f->localsPointer = w(newLp);
  cp = vsMethod_constantPool(callee)->entries;
  f->poolBase = w(cp);
  f->method = vsRef_of(callee);
  f->callerFramePointer = w(fp);
  f->returnToken = returnToken;
  fp = &f->callerFramePointer;
  VS_ASSERT(w(sp) > stackLimit(), "the stack pointer stays above its limit");
  lp = newLp;
  bcp = callee->code;
  if ((callee->accessFlags & kMethodSynchronized) != 0) {
    // The method's lock record lies directly below the frame.
    sp -= kLockRecordWords;
    f->monitorBottom = w(sp);
    LockRecord* record = reinterpret_cast<LockRecord*>(sp);
    const VmRef object = (callee->accessFlags & kMethodStatic) != 0
                             ? vsRef_of(vsClass_mirror(vsClass_byId(callee->classId)))
                             : lp[0];
    SAVE_STATE();
    lockInto(record, object, thread);
    AFTER_CALL();
    SWITCH_POINT(tokenContinueAtSavedBcp(), bcp);
  }
  YIELD_CHECK();
  DISPATCH();
}

// Results in resultCount/result0/result1; sp just above the callee's
// arguments; returnToken says where to go.
deliver_results:
  if (returnToken == tokenPendingCall()) {
    thread->resultLow = result0;
    thread->resultHigh = result1;
    goto next_pending_call;
  }
  if (resultCount == 2) {
    sp -= 2;
    sp[0] = result0;
    sp[1] = result1;
  } else if (resultCount == 1) {
    *--sp = result0;
  }
  RELOAD_FRAME();
  bcp += returnToken == tokenAfterInvoke5() ? 5 : 3;
  DISPATCH();

do_return : {
  InterpreterFrame* f = FRAME();
  if (f->monitorBottom != w(f)) {
    // Release the method's own lock; any other record still held is an
    // unbalanced monitor.
    const uint32_t count = lockRecordCount(fp);
    const bool synchronized = (p<MethodRecord>(f->method)->accessFlags & kMethodSynchronized) != 0;
    if (synchronized && lockRecordAt(fp, 0)->object != 0) unlockRecord(lockRecordAt(fp, 0));
    for (uint32_t i = 0; i < count; ++i)
      if (lockRecordAt(fp, i)->object != 0) {
        THROW(vsException_raiseWithCode(kIllegalMonitorStateClass, 0));
      }
    f = FRAME();
  }
  returnToken = f->returnToken;
  sp = lp + 1;
  fp = p<VmWord>(f->callerFramePointer);
  goto deliver_results;
}

// ---- exceptions ----------------------------------------------------------
// The frame at fp has its bytecode saved. Calls queued with the exception
// (its constructor) run first, once per throwing frame, under a guard frame
// that keeps the exception; one that throws replaces it. With a guard frame
// at fp they run after the dispatch, before the handler or before the
// bottom guard frame returns.
throw_pending:
  if (thread->pendingCalls != 0 && queuedCallsFrame != fp && p<VmWord>(w(fp))[1] != kGuardFrameTag) {
    queuedCallsFrame = fp;
    returnToken = tokenContinueAtSavedBcp();
    goto push_guard;
  }
  queuedCallsFrame = nullptr;
  {
    const VmRef thrown = vsVmGlobals.pendingException;
    vsVmGlobals.pendingException = 0;
    thread->savedLocals = w(sp);
    thread->savedFramePointer = w(fp);
    const VmRef caught = vsException_dispatch(&vsVmGlobals.currentThread, thrown);
    thread = currentThread();
    fp = p<VmWord>(thread->savedFramePointer);
    sp = p<VmWord>(thread->savedLocals);
    if (caught == 0) {
      // Uncaught: the bottom guard frame returns with it pending, after the
      // calls queued on the way (a replacing exception's constructor).
      GuardFrame* g = vsGuardFrame_atPointer(w(fp));
      g->nextCall = thread->pendingCalls;
      thread->pendingCalls = 0;
      goto next_pending_call;
    }
    RELOAD_FRAME();
    *--sp = caught;
  }
  // Calls queued on the way (a replacing exception's constructor) run
  // before the handler.
  if (thread->pendingCalls != 0) goto run_pending;
  DISPATCH();

// ---- handlers ------------------------------------------------------------
op_unimplemented:
  vsVm_fatal("trying to execute unimplemented bytecode");

op_nop:
  NEXT(1);
op_aconst_null:
  *--sp = 0;
  NEXT(1);
op_iconst:
  *--sp = static_cast<VmWord>(static_cast<int32_t>(*bcp) - 3);
  NEXT(1);
op_lconst:
  sp -= 2;
  put64(sp, static_cast<uint64_t>(*bcp - 9));
  NEXT(1);
op_fconst:
  *--sp = *bcp == 11 ? 0u : (*bcp == 12 ? 0x3f800000u : 0x40000000u);
  NEXT(1);
op_dconst:
  sp -= 2;
  put64(sp, *bcp == 14 ? 0 : 0x3ff0000000000000ull);
  NEXT(1);
op_bipush:
  *--sp = static_cast<VmWord>(static_cast<int32_t>(static_cast<int8_t>(bcp[1])));
  NEXT(2);
op_sipush:
  *--sp = static_cast<VmWord>(static_cast<int32_t>(s16be(bcp + 1)));
  NEXT(3);
op_ldc_fast:
  *--sp = cp[bcp[1]];
  NEXT(2);
op_ldc_w_fast:
  *--sp = cp[u16be(bcp + 1)];
  NEXT(3);
op_ldc2_w : {
  const uint16_t index = u16be(bcp + 1);
  sp -= 2;
  // Long and double entries hold the low word at i, the high at i + 1.
  sp[0] = cp[index];
  sp[1] = cp[index + 1];
  NEXT(3);
}
op_ldc2_w_slow : {
  // Its entry checked once, then read as the fast form reads it.
  SAVE_STATE();
  vsRuntime_resolveConstant(p<MethodRecord>(FRAME()->method), u16be(bcp + 1), bcp);
  AFTER_CALL();
  goto op_ldc2_w;
}
op_ldc_slow : {
  // A constant that the image or the prelink left unresolved: resolve it
  // (a string) and rewrite when allowed.
  const uint32_t index = *bcp == kOpLdc ? bcp[1] : u16be(bcp + 1);
  SAVE_STATE();
  const VmWord value = vsRuntime_resolveConstant(p<MethodRecord>(FRAME()->method), index, bcp);
  AFTER_CALL();
  *--sp = value;
  NEXT(*bcp == kOpLdc || *bcp == kOpLdcFast ? 2 : 3);
}

op_iload:
  *--sp = lp[-static_cast<int32_t>(bcp[1])];
  NEXT(2);
op_lload:
  sp -= 2;
  std::memcpy(sp, &lp[-static_cast<int32_t>(bcp[1]) - 1], 8);
  NEXT(2);
op_iload_n:
  *--sp = lp[-((*bcp - kOpIload0) & 3)];
  NEXT(1);
op_lload_n:
  sp -= 2;
  std::memcpy(sp, &lp[-((*bcp - kOpIload0) & 3) - 1], 8);
  NEXT(1);
op_istore:
  lp[-static_cast<int32_t>(bcp[1])] = *sp++;
  NEXT(2);
op_lstore:
  std::memcpy(&lp[-static_cast<int32_t>(bcp[1]) - 1], sp, 8);
  sp += 2;
  NEXT(2);
op_istore_n:
  lp[-((*bcp - kOpIstore0) & 3)] = *sp++;
  NEXT(1);
op_lstore_n:
  std::memcpy(&lp[-((*bcp - kOpIstore0) & 3) - 1], sp, 8);
  sp += 2;
  NEXT(1);
op_wide : {
  const uint8_t op = bcp[1];
  const int32_t n = u16be(bcp + 2);
  switch (op) {
    case kOpIload: case kOpFload: case kOpAload:
      *--sp = lp[-n];
      break;
    case kOpLload: case kOpDload:
      sp -= 2;
      std::memcpy(sp, &lp[-n - 1], 8);
      break;
    case kOpIstore: case kOpFstore: case kOpAstore:
      lp[-n] = *sp++;
      break;
    case kOpLstore: case kOpDstore:
      std::memcpy(&lp[-n - 1], sp, 8);
      sp += 2;
      break;
    case kOpIinc:
      lp[-n] = lp[-n] + static_cast<VmWord>(static_cast<int32_t>(s16be(bcp + 4)));
      NEXT(6);
    default:
      goto op_unimplemented;
  }
  NEXT(4);
}

// Arrays: the array, then the index; unsigned compare against the length.
op_xaload : {
  const int32_t index = static_cast<int32_t>(sp[0]);
  const VmRef array = sp[1];
  NULL_CHECK(array);
  const ArrayObject* a = p<ArrayObject>(array);
  if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(a->length))
    THROW(vsException_raiseWithCode(kArrayIndexOutOfBoundsClass, 0));
  const uint8_t* e = p<const uint8_t>(array) + kArrayElementsOffset;
  sp += 1;
  switch (*bcp) {
    case kOpIaload: case kOpFaload: case kOpAaload:
      std::memcpy(&sp[0], e + 4 * index, 4);
      break;
    case kOpLaload: case kOpDaload:
      sp -= 1;
      std::memcpy(sp, e + 8 * index, 8);
      break;
    case kOpBaload:
      sp[0] = static_cast<VmWord>(static_cast<int32_t>(static_cast<int8_t>(e[index])));
      break;
    case kOpCaload: {
      uint16_t v;
      std::memcpy(&v, e + 2 * index, 2);
      sp[0] = v;
      break;
    }
    default: {
      int16_t v;
      std::memcpy(&v, e + 2 * index, 2);
      sp[0] = static_cast<VmWord>(static_cast<int32_t>(v));
      break;
    }
  }
  NEXT(1);
}
op_xastore : {
  const uint8_t op = *bcp;
  const uint32_t valueWords = (op == kOpLastore || op == kOpDastore) ? 2 : 1;
  const int32_t index = static_cast<int32_t>(sp[valueWords]);
  const VmRef array = sp[valueWords + 1];
  NULL_CHECK(array);
  const ArrayObject* a = p<ArrayObject>(array);
  if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(a->length))
    THROW(vsException_raiseWithCode(kArrayIndexOutOfBoundsClass, 0));
  uint8_t* e = p<uint8_t>(array) + kArrayElementsOffset;
  switch (op) {
    case kOpIastore: case kOpFastore:
      std::memcpy(e + 4 * index, sp, 4);
      break;
    case kOpLastore: case kOpDastore:
      std::memcpy(e + 8 * index, sp, 8);
      break;
    case kOpAastore: {
      const VmRef value = sp[0];
      if (value != 0) {
        ClassRecord* elementClass = p<ClassRecord>(vsObject_class(array)->elementOrLink);
        ClassRecord* valueClass = vsObject_class(value);
        if (valueClass != elementClass && valueClass->subtypeCache1.get() != elementClass &&
            valueClass->subtypeCache2.get() != elementClass) {
          SAVE_STATE();
          runtimeEntry<void(VmWord*)>(kRuntimeSlotArrayStoreCheck)(&vsVmGlobals.currentThread);
          RESTORE_STATE();
          if (vsException_isPending()) goto throw_pending;
          // The operands again: the check may have moved them.
          vsJavaHeap_storeReference(p<VmWord>(sp[2] + kArrayElementsOffset + 4 * static_cast<uint32_t>(index)),
                                    sp[0]);
          break;
        }
      }
      vsJavaHeap_storeReference(reinterpret_cast<VmWord*>(e + 4 * index), value);
      break;
    }
    case kOpBastore:
      e[index] = static_cast<uint8_t>(sp[0]);
      break;
    default: {
      const uint16_t v = static_cast<uint16_t>(sp[0]);
      std::memcpy(e + 2 * index, &v, 2);
      break;
    }
  }
  sp += valueWords + 2;
  NEXT(1);
}
op_arraylength:
  NULL_CHECK(sp[0]);
  sp[0] = static_cast<VmWord>(p<ArrayObject>(sp[0])->length);
  NEXT(1);

// Stack shuffles (words; the cached top is slot 0).
op_pop:
  sp += 1;
  NEXT(1);
op_pop2:
  sp += 2;
  NEXT(1);
op_dup:
  sp -= 1;
  sp[0] = sp[1];
  NEXT(1);
op_dup_x1 : {
  const VmWord a = sp[0], b = sp[1];
  sp -= 1;
  sp[0] = a;
  sp[1] = b;
  sp[2] = a;
  NEXT(1);
}
op_dup_x2 : {
  const VmWord a = sp[0], b = sp[1], c = sp[2];
  sp -= 1;
  sp[0] = a;
  sp[1] = b;
  sp[2] = c;
  sp[3] = a;
  NEXT(1);
}
op_dup2 : {
  const VmWord a = sp[0], b = sp[1];
  sp -= 2;
  sp[0] = a;
  sp[1] = b;
  NEXT(1);
}
op_dup2_x1 : {
  const VmWord a = sp[0], b = sp[1], c = sp[2];
  sp -= 2;
  sp[0] = a;
  sp[1] = b;
  sp[2] = c;
  sp[3] = a;
  sp[4] = b;
  NEXT(1);
}
op_dup2_x2 : {
  const VmWord a = sp[0], b = sp[1], c = sp[2], d = sp[3];
  sp -= 2;
  sp[0] = a;
  sp[1] = b;
  sp[2] = c;
  sp[3] = d;
  sp[4] = a;
  sp[5] = b;
  NEXT(1);
}
op_swap : {
  const VmWord a = sp[0];
  sp[0] = sp[1];
  sp[1] = a;
  NEXT(1);
}

// Arithmetic 96-131: int and long in unsigned types, shifts masked, MIN/-1
// without a trap; double through the soft routines.
op_arith : {
  const uint8_t op = *bcp;
  const uint8_t kind = (op - kOpIadd) & 3;  // 0 int, 1 long, 2 float, 3 double
  if (op >= kOpIneg && op <= kOpDneg) {        // neg
    if (kind == 0) sp[0] = 0u - sp[0];
    else if (kind == 1) put64(sp, 0ull - get64(sp));
    else if (kind == 2) sp[0] ^= 0x80000000u;
    else put64(sp, vsRuntime_dneg(get64(sp)));
    NEXT(1);
  }
  if (op >= kOpIshl) {  // shifts and logic
    switch (op) {
      case kOpIshl: sp[1] = sp[1] << (sp[0] & 31); sp += 1; break;
      case kOpLshl: put64(sp + 1, get64(sp + 1) << (sp[0] & 63)); sp += 1; break;
      case kOpIshr: sp[1] = static_cast<VmWord>(static_cast<int32_t>(sp[1]) >> (sp[0] & 31)); sp += 1; break;
      case kOpLshr: put64(sp + 1, static_cast<uint64_t>(static_cast<int64_t>(get64(sp + 1)) >> (sp[0] & 63))); sp += 1; break;
      case kOpIushr: sp[1] = sp[1] >> (sp[0] & 31); sp += 1; break;
      case kOpLushr: put64(sp + 1, get64(sp + 1) >> (sp[0] & 63)); sp += 1; break;
      case kOpIand: sp[1] &= sp[0]; sp += 1; break;
      case kOpLand: put64(sp + 2, get64(sp + 2) & get64(sp)); sp += 2; break;
      case kOpIor: sp[1] |= sp[0]; sp += 1; break;
      case kOpLor: put64(sp + 2, get64(sp + 2) | get64(sp)); sp += 2; break;
      case kOpIxor: sp[1] ^= sp[0]; sp += 1; break;
      default: put64(sp + 2, get64(sp + 2) ^ get64(sp)); sp += 2; break;
    }
    NEXT(1);
  }
  const uint8_t which = static_cast<uint8_t>((op - kOpIadd) >> 2);  // add sub mul div rem
  if (kind == 0) {
    const uint32_t b = sp[0], a = sp[1];
    uint32_t r = 0;
    switch (which) {
      case 0: r = a + b; break;
      case 1: r = a - b; break;
      case 2: r = a * b; break;
      default:
        if (b == 0) THROW(vsException_raiseWithCode(kArithmeticClass, kErrDivideByZero));
        if (which == 3)
          r = b == 0xffffffffu ? 0u - a : static_cast<uint32_t>(static_cast<int32_t>(a) / static_cast<int32_t>(b));
        else
          r = b == 0xffffffffu ? 0u : static_cast<uint32_t>(static_cast<int32_t>(a) % static_cast<int32_t>(b));
    }
    sp[1] = r;
    sp += 1;
  } else if (kind == 1) {
    const uint64_t b = get64(sp), a = get64(sp + 2);
    uint64_t r = 0;
    switch (which) {
      case 0: r = a + b; break;
      case 1: r = a - b; break;
      case 2: r = a * b; break;
      default:
        if (b == 0) THROW(vsException_raiseWithCode(kArithmeticClass, kErrDivideByZero));
        r = static_cast<uint64_t>(which == 3 ? javaLdiv(static_cast<int64_t>(a), static_cast<int64_t>(b))
                                             : javaLrem(static_cast<int64_t>(a), static_cast<int64_t>(b)));
    }
    put64(sp + 2, r);
    sp += 2;
  } else if (kind == 3) {
    const uint64_t b = get64(sp), a = get64(sp + 2);
    uint64_t r;
    switch (which) {
      case 0: r = vsRuntime_dadd(a, b); break;
      case 1: r = vsRuntime_dsub(a, b); break;
      case 2: r = vsRuntime_dmul(a, b); break;
      case 3: r = vsRuntime_ddiv(a, b); break;
      default: r = vsMath_fmod(a, b); break;
    }
    put64(sp + 2, r);
    sp += 2;
  } else {
    const uint32_t b = sp[0], a = sp[1];
    uint32_t r;
    switch (which) {
      case 0: r = vsRuntime_fadd(a, b); break;
      case 1: r = vsRuntime_fsub(a, b); break;
      case 2: r = vsRuntime_fmul(a, b); break;
      case 3: r = vsRuntime_fdiv(a, b); break;
      default: r = vsMath_fmodf(a, b); break;
    }
    sp[1] = r;
    sp += 1;
  }
  NEXT(1);
}
op_iinc:
  lp[-static_cast<int32_t>(bcp[1])] += static_cast<VmWord>(static_cast<int32_t>(static_cast<int8_t>(bcp[2])));
  NEXT(3);

op_convert : {
  switch (*bcp) {
    case kOpI2l: {  // i2l
      const int64_t v = static_cast<int32_t>(sp[0]);
      sp -= 1;
      put64(sp, static_cast<uint64_t>(v));
      break;
    }
    case kOpI2f: sp[0] = vsRuntime_i2f(static_cast<int32_t>(sp[0])); break;
    case kOpI2d: {
      const uint64_t v = vsRuntime_i2d(static_cast<int32_t>(sp[0]));
      sp -= 1;
      put64(sp, v);
      break;
    }
    case kOpL2i: sp[1] = static_cast<VmWord>(get64(sp)); sp += 1; break;  // l2i
    case kOpL2f: sp[1] = vsRuntime_l2f(get64(sp)); sp += 1; break;
    case kOpL2d: put64(sp, vsRuntime_l2d(get64(sp))); break;
    case kOpF2i: sp[0] = static_cast<VmWord>(vsRuntime_f2i(sp[0])); break;
    case kOpF2l: {
      const uint64_t v = vsRuntime_f2l(sp[0]);
      sp -= 1;
      put64(sp, v);
      break;
    }
    case kOpF2d: {
      const uint64_t v = vsRuntime_f2d(sp[0]);
      sp -= 1;
      put64(sp, v);
      break;
    }
    case kOpD2i: sp[1] = static_cast<VmWord>(vsRuntime_d2i(get64(sp))); sp += 1; break;
    case kOpD2l: put64(sp, vsRuntime_d2l(get64(sp))); break;
    case kOpD2f: sp[1] = vsRuntime_d2f(get64(sp)); sp += 1; break;
    case kOpI2b: sp[0] = static_cast<VmWord>(static_cast<int32_t>(static_cast<int8_t>(sp[0]))); break;
    case kOpI2c: sp[0] = static_cast<uint16_t>(sp[0]); break;
    default: sp[0] = static_cast<VmWord>(static_cast<int32_t>(static_cast<int16_t>(sp[0]))); break;
  }
  NEXT(1);
}
op_compare : {
  int32_t r;
  switch (*bcp) {
    case kOpLcmp: {
      const int64_t b = static_cast<int64_t>(get64(sp)), a = static_cast<int64_t>(get64(sp + 2));
      r = a < b ? -1 : (a > b ? 1 : 0);
      sp += 3;
      break;
    }
    case kOpFcmpl: r = compareFloatBits(sp[1], sp[0], -1); sp += 1; break;
    case kOpFcmpg: r = compareFloatBits(sp[1], sp[0], 1); sp += 1; break;
    case kOpDcmpl: r = vsRuntime_dcmpl(get64(sp + 2), get64(sp)); sp += 3; break;
    default: r = vsRuntime_dcmpg(get64(sp + 2), get64(sp)); sp += 3; break;
  }
  sp[0] = static_cast<VmWord>(r);
  NEXT(1);
}

op_if : {
  YIELD_CHECK();
  const uint8_t op = *bcp;
  bool taken;
  if (op <= kOpIfle) {
    const int32_t v = static_cast<int32_t>(sp[0]);
    sp += 1;
    switch (op) {
      case kOpIfeq: taken = v == 0; break;
      case kOpIfne: taken = v != 0; break;
      case kOpIflt: taken = v < 0; break;
      case kOpIfge: taken = v >= 0; break;
      case kOpIfgt: taken = v > 0; break;
      default: taken = v <= 0; break;
    }
  } else if (op <= kOpIfAcmpne) {
    const int32_t b = static_cast<int32_t>(sp[0]), a = static_cast<int32_t>(sp[1]);
    sp += 2;
    switch (op) {
      case kOpIfIcmpeq: case kOpIfAcmpeq: taken = a == b; break;
      case kOpIfIcmpne: case kOpIfAcmpne: taken = a != b; break;
      case kOpIfIcmplt: taken = a < b; break;
      case kOpIfIcmpge: taken = a >= b; break;
      case kOpIfIcmpgt: taken = a > b; break;
      default: taken = a <= b; break;
    }
  } else {
    taken = (sp[0] == 0) == (op == kOpIfnull);
    sp += 1;
  }
  NEXT(taken ? s16be(bcp + 1) : 3);
}
op_goto:
  YIELD_CHECK();
  NEXT(s16be(bcp + 1));
op_goto_w:
  YIELD_CHECK();
  NEXT(s32be(bcp + 1));
op_tableswitch : {
  const uint8_t* code = p<MethodRecord>(FRAME()->method)->code;
  const uint32_t bci = static_cast<uint32_t>(bcp - code);
  const uint8_t* o = code + ((bci + 4) & ~3u);
  const int32_t key = static_cast<int32_t>(*sp++);
  const int32_t low = s32le(o + 4), high = s32le(o + 8);
  if (key < low || key > high) NEXT(s32le(o));
  NEXT(s32le(o + 12 + 4 * static_cast<uint32_t>(static_cast<int64_t>(key) - low)));
}
op_lookupswitch : {
  const uint8_t* code = p<MethodRecord>(FRAME()->method)->code;
  const uint32_t bci = static_cast<uint32_t>(bcp - code);
  const uint8_t* o = code + ((bci + 4) & ~3u);
  const int32_t key = static_cast<int32_t>(*sp++);
  const int32_t pairs = s32le(o + 4);
  for (int32_t i = 0; i < pairs; ++i)
    if (s32le(o + 8 + 8 * i) == key) NEXT(s32le(o + 12 + 8 * i));
  NEXT(s32le(o));
}

op_return0:
  resultCount = 0;
  goto do_return;
op_return1:
  resultCount = 1;
  result0 = sp[0];
  goto do_return;
op_return2:
  resultCount = 2;
  result0 = sp[0];
  result1 = sp[1];
  goto do_return;

// Statics: entry = byte offset << 16 | holder class id; low word first.
op_getstatic_fast : {
  const VmWord e = cp[u16be(bcp + 1)];
  *--sp = *p<VmWord>(vsRef_of(vsClass_byId(e & 0xffff)) + (e >> 16));
  NEXT(3);
}
op_getstatic2_fast : {
  const VmWord e = cp[u16be(bcp + 1)];
  sp -= 2;
  std::memcpy(sp, p<VmWord>(vsRef_of(vsClass_byId(e & 0xffff)) + (e >> 16)), 8);
  NEXT(3);
}
op_putstatic_fast : {
  const VmWord e = cp[u16be(bcp + 1)];
  *p<VmWord>(vsRef_of(vsClass_byId(e & 0xffff)) + (e >> 16)) = *sp++;
  NEXT(3);
}
op_putstatic_ref_fast : {
  const VmWord e = cp[u16be(bcp + 1)];
  vsJavaHeap_storeReference(p<VmWord>(vsRef_of(vsClass_byId(e & 0xffff)) + (e >> 16)), *sp++);
  NEXT(3);
}
op_putstatic2_fast : {
  const VmWord e = cp[u16be(bcp + 1)];
  std::memcpy(p<VmWord>(vsRef_of(vsClass_byId(e & 0xffff)) + (e >> 16)), sp, 8);
  sp += 2;
  NEXT(3);
}
op_static_slow : {
  // getstatic/putstatic not yet fast: resolve, initialise the holder (the
  // initialisation runs as pending calls, then this bytecode again), and
  // rewrite outside the image.
  SAVE_STATE();
  const uint8_t fast = vsRuntime_resolveStatic(p<MethodRecord>(FRAME()->method), bcp);
  AFTER_CALL();
  goto* p<void>(vsVmGlobals.dispatchTable[fast]);
}

op_member_slow : {
  // getfield, putfield, the virtual, special and interface invokes and
  // anewarray of class-path code: resolve, rewrite, run the fast form.
  SAVE_STATE();
  const uint8_t fast = vsRuntime_resolveMember(p<MethodRecord>(FRAME()->method), bcp);
  AFTER_CALL();
  goto* p<void>(vsVmGlobals.dispatchTable[fast]);
}

op_field_fast : {
  const uint8_t op = *bcp;
  const uint32_t operand = u16le(bcp + 1);
  if (op >= kOpGetfieldByteFast) {
    const VmRef object = sp[0];
    NULL_CHECK(object);
    const uint8_t* base = p<const uint8_t>(object);
    switch (op) {
      case kOpGetfieldByteFast: sp[0] = static_cast<VmWord>(static_cast<int32_t>(static_cast<int8_t>(base[operand]))); break;
      case kOpGetfieldShortFast: {
        int16_t v;
        std::memcpy(&v, base + operand, 2);
        sp[0] = static_cast<VmWord>(static_cast<int32_t>(v));
        break;
      }
      case kOpGetfieldCharFast: {
        uint16_t v;
        std::memcpy(&v, base + operand, 2);
        sp[0] = v;
        break;
      }
      case kOpGetfieldLongFast:
      case kOpGetfieldDoubleFast:
        sp -= 1;
        std::memcpy(sp, base + 4 * operand, 8);
        break;
      default: std::memcpy(sp, base + 4 * operand, 4); break;
    }
    NEXT(3);
  }
  const bool two = op == kOpPutfieldLongFast || op == kOpPutfieldDoubleFast;
  const VmRef object = sp[two ? 2 : 1];
  NULL_CHECK(object);
  uint8_t* base = p<uint8_t>(object);
  switch (op) {
    case kOpPutfieldByteFast: base[operand] = static_cast<uint8_t>(sp[0]); break;
    case kOpPutfieldShortFast: {
      const uint16_t v = static_cast<uint16_t>(sp[0]);
      std::memcpy(base + operand, &v, 2);
      break;
    }
    case kOpPutfieldRefFast: vsJavaHeap_storeReference(reinterpret_cast<VmWord*>(base + 4 * operand), sp[0]); break;
    case kOpPutfieldLongFast:
    case kOpPutfieldDoubleFast: std::memcpy(base + 4 * operand, sp, 8); break;
    default: std::memcpy(base + 4 * operand, sp, 4); break;
  }
  sp += two ? 3 : 2;
  NEXT(3);
}

// Invokes: the caller's bcp stays at the invoke while the callee runs.
op_invokestatic_fast:
  FRAME()->savedBcp = w(bcp);
  callee = p<MethodRecord>(cp[u16be(bcp + 1)]);
  returnToken = tokenAfterInvoke3();
  goto invoke;
op_invokestatic_slow : {
  SAVE_STATE();
  callee = vsRuntime_resolveInvokeStatic(p<MethodRecord>(FRAME()->method), bcp);
  AFTER_CALL();
  returnToken = tokenAfterInvoke3();
  goto invoke;
}
op_invokedirect_fast:
  FRAME()->savedBcp = w(bcp);
  callee = p<MethodRecord>(cp[u16be(bcp + 1)]);
  NULL_CHECK(sp[callee->parameterWords - 1]);
  returnToken = tokenAfterInvoke3();
  goto invoke;
op_invokevirtual_fast:
op_invokesuper_fast : {
  FRAME()->savedBcp = w(bcp);
  const VmWord e = cp[u16be(bcp + 1)];
  const uint32_t slot = e & 0xffff;
  const ClassInfo* named = vsClass_byId(e >> 16)->classInfo.get();
  const MethodRecord* declared = p<MethodRecord>(named->vtable[slot]);
  const VmRef receiver = sp[declared->parameterWords - 1];
  NULL_CHECK(receiver);
  const ClassInfo* info = *bcp == kOpInvokesuperFast ? named : vsObject_class(receiver)->classInfo.get();
  callee = p<MethodRecord>(info->vtable[slot]);
  returnToken = tokenAfterInvoke3();
  goto invoke;
}
op_invokeinterface_fast : {
  FRAME()->savedBcp = w(bcp);
  const VmWord e = cp[u16be(bcp + 1)];
  const VmRef receiver = sp[bcp[3] - 1];
  NULL_CHECK(receiver);
  const ClassInfo* info = vsObject_class(receiver)->classInfo.get();
  const VmWord* itable = &info->vtable[info->vtableLength];
  callee = nullptr;
  for (uint32_t i = 0; i < info->itableLength; ++i)
    if (itable[2 * i] == (e >> 16)) {
      callee = p<MethodRecord>(*reinterpret_cast<const VmWord*>(reinterpret_cast<const uint8_t*>(info) +
                                                                itable[2 * i + 1] + 4 * (e & 0xffff)));
      break;
    }
  if (callee == nullptr) THROW(vsException_raiseWithCode(kVmErrorClass, kErrInterfaceMethodMissing));
  returnToken = tokenAfterInvoke5();
  goto invoke;
}
op_invoke_native : {
  // The body of a native method, run in the method's own frame: the
  // parameters from the locals, the result from the thread's result words.
  MethodRecord* m = p<MethodRecord>(FRAME()->method);
  SAVE_STATE();
  vsVmGlobals.nativeParameterPointer = w((m->accessFlags & kMethodStatic) != 0 ? lp + 1 : lp);
  thread->resultLow = 0;
  thread->resultHigh = 0;
  // The stub of the result type; its result stays in the result words.
  const VsNativeFunction function = nativeFunctionOf(bcp);
  switch (bcp[1]) {
    case kTypeInt: vsNativeCall_int(&vsVmGlobals, function); break;
    case kTypeFloat: vsNativeCall_float(&vsVmGlobals, function); break;
    case kTypeLong: vsNativeCall_long(&vsVmGlobals, function); break;
    case kTypeDouble: vsNativeCall_double(&vsVmGlobals, function); break;
    case kTypeObject: {
      // From here until it is pushed the reference lives in the object
      // result word, which the collector visits (and a guard frame saves).
      // The thread record may be old: the store goes through the barrier,
      // into the record that is current after the call.
      const VmRef result = vsNativeCall_object(&vsVmGlobals, function);
      vsJavaHeap_storeReference(&currentThread()->interpreterReference17, result);
      currentThread()->resultLow = 0;
      break;
    }
    case kTypeVoid: vsNativeCall_void(&vsVmGlobals, function); break;
    default: vsVm_fatal("native method of a result type without a call stub");
  }
  RESTORE_STATE();
  SWITCH_POINT(tokenAfterNative(), bcp);
  if (vsException_isPending()) goto throw_pending;
  if (thread->pendingCalls != 0) {
    // Calls the native queued run before it returns; the guard frame keeps
    // its result words.
    returnToken = tokenAfterNative();
    goto push_guard;
  }
  goto native_return;
}
native_return : {
  // A native that suspended its thread runs again, with the same operands,
  // once the thread is resumed; otherwise its re-entry data is done with.
  if (thread->waiting != 0) {
    thread->waiting = 0;
    goto op_invoke_native;
  }
  thread->reentryData = 0;
  const uint8_t resultType = bcp[1];
  result0 = resultType == kTypeObject ? thread->interpreterReference17 : thread->resultLow;
  result1 = thread->resultHigh;
  thread->interpreterReference17 = 0;
  // A 64-bit result is low word first in the result words, and goes on the
  // stack with its low word on top.
  resultCount = resultType == kTypeVoid ? 0 : (resultType == kTypeLong || resultType == kTypeDouble ? 2 : 1);
  goto do_return;
}

// Objects.
op_new_fast : {
  SAVE_STATE();
  VmHandle cls;
  vsHandle_push(&cls, vsRef_of(vsClass_byId(cp[u16be(bcp + 1)])));
  const VmRef object =
      vsJavaHeap_newInstance(&cls.object, static_cast<uint32_t>(vsRef_as<ClassRecord>(cls.object)->instanceKind));
  vsHandle_close(&cls);
  RESTORE_STATE();
  if (object == 0) goto throw_pending;
  *--sp = object;
  NEXT(3);
}
op_new_slow : {
  SAVE_STATE();
  const VmRef object = vsRuntime_new(p<MethodRecord>(FRAME()->method), bcp);
  AFTER_CALL();
  *--sp = object;
  NEXT(3);
}
op_newarray : {
  SAVE_STATE();
  const VmRef array = newTypedArray(bcp[1], static_cast<int32_t>(sp[0]));
  RESTORE_STATE();
  if (array == 0) goto throw_pending;
  sp[0] = array;
  NEXT(2);
}
op_anewarray_fast : {
  // Reference arrays have 4-byte elements, whatever the element class.
  SAVE_STATE();
  VmHandle element;
  vsHandle_push(&element, vsRef_of(vsClass_byId(cp[u16be(bcp + 1)])));
  const VmRef array = vsJavaHeap_newArrayOf(&element.object, static_cast<int32_t>(sp[0]));
  vsHandle_close(&element);
  RESTORE_STATE();
  if (array == 0) goto throw_pending;
  sp[0] = array;
  NEXT(3);
}
op_multianewarray : {
  // The class of the entry is resolved, and the counts read, by the
  // runtime entry.
  SAVE_STATE();
  const VmRef array = runtimeEntry<VmRef(VmWord*)>(kRuntimeSlotMultiANewArray)(&vsVmGlobals.currentThread);
  AFTER_CALL();
  sp += bcp[3] - 1;
  sp[0] = array;
  NEXT(4);
}
// The slow forms resolve their class and become the fast forms below.
op_checkcast : {
  SAVE_STATE();
  runtimeEntry<void(VmWord*)>(kRuntimeSlotCheckCast)(&vsVmGlobals.currentThread);
  AFTER_CALL();
  NEXT(3);
}
op_instanceof : {
  SAVE_STATE();
  const int32_t is = runtimeEntry<int32_t(VmWord*)>(kRuntimeSlotInstanceOf)(&vsVmGlobals.currentThread);
  AFTER_CALL();
  sp[0] = static_cast<VmWord>(is);
  NEXT(3);
}
op_checkcast_fast : {
  const VmRef object = sp[0];
  if (object != 0) {
    ClassRecord* target = vsClass_byId(cp[u16be(bcp + 1)]);
    if (!vsClass_isSubtypeOf(vsObject_class(object), target))
      THROW(vsException_raiseWithCode(kClassCastClass, 0));
  }
  NEXT(3);
}
op_instanceof_fast : {
  const VmRef object = sp[0];
  sp[0] = object != 0 && vsClass_isSubtypeOf(vsObject_class(object), vsClass_byId(cp[u16be(bcp + 1)])) ? 1 : 0;
  NEXT(3);
}
// Image forms: a word field by a 1-byte word index, the second pair
// loading local 0 first.
op_getfield_word1 : {
  if (*bcp >= kOpAload0GetfieldWord1RefFast) *--sp = lp[0];
  const VmRef object = sp[0];
  NULL_CHECK(object);
  sp[0] = p<VmWord>(object)[bcp[1]];
  NEXT(2);
}
op_inot:
  sp[0] = sp[0] == 0 ? 1 : 0;
  NEXT(1);
op_monitorenter : {
  VmRef object = sp[0];
  NULL_CHECK(object);
  sp += 1;
  // The last free record met from the lowest up, unless one holds the
  // object already.
  const uint32_t count = lockRecordCount(fp);
  LockRecord* free = nullptr;
  for (uint32_t i = count; i-- > 0;) {
    LockRecord* r = lockRecordAt(fp, i);
    if (r->object == object) break;
    if (r->object == 0) free = r;
  }
  if (free == nullptr) {
    // A new lowest record: the operands move down 7 words, once there is
    // room for them.
    if (w(sp) - 4 * kLockRecordWords <= stackLimit()) {
      *--sp = object;  // kept in its slot while the stack may move
      FRAME()->savedBcp = w(bcp);
      const bool grown = growStack(thread, sp, fp, 4 * kLockRecordWords);
      thread = currentThread();
      object = *sp;
      sp += 1;
      if (!grown) goto throw_pending;
      lp = p<VmWord>(FRAME()->localsPointer);
    }
    InterpreterFrame* f = FRAME();
    VmWord* bottom = p<VmWord>(f->monitorBottom);
    std::memmove(sp - kLockRecordWords, sp, 4 * static_cast<size_t>(bottom - sp));
    sp -= kLockRecordWords;
    f->monitorBottom -= 4 * kLockRecordWords;
    free = p<LockRecord>(f->monitorBottom);
  }
  SAVE_STATE();
  lockInto(free, object, thread);
  AFTER_CALL();
  // A thread that has to wait for the lock goes on behind monitorenter
  // once it holds it.
  SWITCH_POINT(tokenContinueAtSavedBcp(), bcp + 1);
  NEXT(1);
}
op_monitorexit : {
  const VmRef object = sp[0];
  NULL_CHECK(object);
  const uint32_t count = lockRecordCount(fp);
  LockRecord* held = nullptr;
  for (uint32_t i = count; i-- > 0;)
    if (lockRecordAt(fp, i)->object == object) {
      held = lockRecordAt(fp, i);
      break;
    }
  if (held == nullptr) THROW(vsException_raiseWithCode(kIllegalMonitorStateClass, 0));
  sp += 1;
  SAVE_STATE();
  unlockRecord(held);
  AFTER_CALL();
  SWITCH_POINT(tokenContinueAtSavedBcp(), bcp + 1);
  NEXT(1);
}
op_athrow : {
  const VmRef object = sp[0];
  NULL_CHECK(object);
  SAVE_STATE();
  vsVmGlobals.pendingException = object;
  goto throw_pending;
}
#undef DISPATCH
#undef NEXT
#undef FRAME
#undef SAVE_STATE
#undef RELOAD_REGISTERS
#undef RESTORE_STATE
#undef AFTER_CALL
#undef THROW
#undef NULL_CHECK
#undef YIELD_CHECK
#undef RELOAD_FRAME
#undef SWITCH_POINT
}

}  // namespace

void vsInterpreter_initialize() {
  run(Mode::Initialize);
  vsRuntime_fillEntryTable();
}

namespace {

// Where vsInterpreter_exitToRuntime leaves to: the innermost entry into
// the loop, with the local-root list as it was there.
struct RuntimeExit {
  std::jmp_buf buffer;
  RuntimeExit* previous;
  VmPtr<VmHandle> handles;
};
VS_VMBSS(RuntimeExit*) gRuntimeExit = nullptr;

void enter(Mode mode) {
  RuntimeExit exit;
  exit.previous = gRuntimeExit;
  exit.handles = vsLocalRootList;
  gRuntimeExit = &exit;
  if (setjmp(exit.buffer) == 0) run(mode);
  else vsLocalRootList = exit.handles;
  gRuntimeExit = exit.previous;
}

}  // namespace

void vsInterpreter_runPendingCalls() { enter(Mode::Run); }

void vsInterpreter_resumeCurrentThread() { enter(Mode::Resume); }

void vsInterpreter_exitToRuntime() {
  if (gRuntimeExit == nullptr) vsVm_fatal("leaving an interpreter that does not run");
  std::longjmp(gRuntimeExit->buffer, 1);
}

VmWord vsThreadStack_initFirstFrames(VmWord top) {
  FirstFrames* first = p<FirstFrames>(top + 4 - sizeof(FirstFrames));
  first->flag = 0;
  first->finish = stepWord(&vsThread_markFinished);
  first->exit = stepWord(&vsThread_queueInternalExit);
  first->uncaught = stepWord(&vsThread_uncaughtException);
  first->terminate = stepWord(&vsThread_exit);
  first->continuation = tokenThreadStart();
  first->framePointer = 0;
  return w(first);
}

VmWord vsInterpreter_continueAtSavedBcpToken() { return tokenContinueAtSavedBcp(); }
