// The call stubs of natives (see native_calls.h).
#include "vm/core/interp/native_calls.h"

#include "vm/core/interp/native_bodies.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/peak_usage.h"
#include "vm/core/threads/thread_record.h"

namespace {

constexpr VmWord kPopPointerAboveFramePointer = 8;

ThreadRecord* current(const VmGlobals* globals) { return vsWord_toPointer<ThreadRecord>(globals->currentThread); }

void callNative(VmGlobals* globals, VsNativeFunction function) {
  vsNative_popPointer = current(globals)->savedFramePointer + kPopPointerAboveFramePointer;
  vsNativeMethod_deferredCollectionBytes = 0;
  function();
}

// The collection a native asked for, once no exception is pending.
void collectIfDeferred(const VmGlobals* globals) {
  if (vsNativeMethod_deferredCollectionBytes != 0 && globals->pendingException == 0) {
    const uint32_t n = vsNativeMethod_deferredCollectionBytes;
    vsNativeMethod_deferredCollectionBytes = 0;
    vsGC_collectForAllocation(n);
  }
}

uint64_t resultPair(const VmGlobals* globals) {
  const ThreadRecord* t = current(globals);
  return (uint64_t{t->resultHigh} << 32) | t->resultLow;
}

}  // namespace

extern "C" {

int32_t vsNativeCall_int(VmGlobals* globals, VsNativeFunction function) {
  callNative(globals, function);
  collectIfDeferred(globals);
  return static_cast<int32_t>(current(globals)->resultLow);
}

uint32_t vsNativeCall_float(VmGlobals* globals, VsNativeFunction function) {
  callNative(globals, function);
  collectIfDeferred(globals);
  return current(globals)->resultLow;
}

uint64_t vsNativeCall_long(VmGlobals* globals, VsNativeFunction function) {
  callNative(globals, function);
  collectIfDeferred(globals);
  return resultPair(globals);
}

uint64_t vsNativeCall_double(VmGlobals* globals, VsNativeFunction function) {
  callNative(globals, function);
  collectIfDeferred(globals);
  return resultPair(globals);
}

VmRef vsNativeCall_object(VmGlobals* globals, VsNativeFunction function) {
  callNative(globals, function);
  if (globals->pendingException != 0) return 0;
  VmHandle result;
  vsHandle_push(&result, current(globals)->resultLow);
  collectIfDeferred(globals);
  const VmRef r = result.object;
  vsHandle_close(&result);
  return r;
}

void vsNativeCall_void(VmGlobals* globals, VsNativeFunction function) {
  callNative(globals, function);
  collectIfDeferred(globals);
}

void vsNativeCall_deferredCollect(uint32_t n) { vsGC_collectForAllocation(n); }

}  // extern "C"

void vsNative_callFinalizer(VmWord function, VmRef* parameter) {
  const VmWord savedParameters = vsVmGlobals.nativeParameterPointer;
  const VmWord savedPop = vsNative_popPointer;
  vsVmGlobals.nativeParameterPointer = vsWord_fromPointer(parameter);
  vsNative_popPointer = vsWord_fromPointer(parameter);
  reinterpret_cast<VsNativeFunction>(static_cast<uintptr_t>(function))();
  vsVmGlobals.nativeParameterPointer = savedParameters;
  vsNative_popPointer = savedPop;
}
