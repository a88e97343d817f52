// The native-method interface (see native_method.h).
#include "vm/core/natives/native_method.h"

#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/threads/thread_record.h"

namespace {

constexpr int32_t kNativeFatalCode = 134;

VmWord parameterWord(uint32_t i) {
  return *vsWord_toPointer<VmWord>(vsVmGlobals.nativeParameterPointer - 4 * i);
}

}  // namespace

void vsNativeMethod_getThis(VmRef* slot) { *slot = parameterWord(0); }

int32_t vsNativeMethod_getParameterInt(uint32_t i) { return static_cast<int32_t>(parameterWord(i)); }

void vsNativeMethod_getParameterLong(uint32_t i, uint32_t* high, uint32_t* low) {
  *high = parameterWord(i);
  *low = parameterWord(i + 1);
}

void vsNativeMethod_getParameterObject(uint32_t i, VmRef* slot) { *slot = parameterWord(i); }

void vsNativeMethod_setReturnInt(int32_t value) {
  vsRef_as<ThreadRecord>(vsVmGlobals.currentThread)->resultLow = static_cast<VmWord>(value);
}

void vsNativeMethod_fatalError(const char* message) {
  vsOutputStream_printLine(vsOutputStream_log(), "%s", message);
  vsVm_fatalErrorCode(kNativeFatalCode);
}
