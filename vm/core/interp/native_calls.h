// The call stubs of natives, one per result type: the interpreter (opcode
// 229, by the method's result-type byte) and compiled code call a native
// function through them.
//
// Each stub sets the pop pointer to the calling frame's frame pointer + 8
// (the thread's in-runtime frame pointer, which the caller stores first),
// clears the deferred-collection word, calls the native and returns the
// current thread's result words: word 19, or words 19 and 20 (low, high)
// for long and double. The reference stub returns 0 while an exception is
// pending. When the native left a deferred-collection request and no
// exception is pending, the stub collects for that many bytes before it
// returns, keeping a reference result in a handle meanwhile.
#pragma once

#include <cstdint>

#include "vm/core/model/object_helpers.h"
#include "vm/core/model/object_layout.h"
#include "vm/core/model/vm_globals.h"


extern "C" {
int32_t vsNativeCall_int(VmGlobals* globals, VsNativeFunction function);
uint32_t vsNativeCall_float(VmGlobals* globals, VsNativeFunction function);
uint64_t vsNativeCall_long(VmGlobals* globals, VsNativeFunction function);
uint64_t vsNativeCall_double(VmGlobals* globals, VsNativeFunction function);
VmRef vsNativeCall_object(VmGlobals* globals, VsNativeFunction function);
void vsNativeCall_void(VmGlobals* globals, VsNativeFunction function);
// Collects for an allocation of n bytes (compiled code's inline allocation
// failed); a failure leaves OutOfMemoryError pending.
void vsNativeCall_deferredCollect(uint32_t n);
}
