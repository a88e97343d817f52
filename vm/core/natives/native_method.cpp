// The native-method interface (see native_method.h).
#include "vm/core/natives/native_method.h"

#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/vm_control.h"

namespace {

constexpr int32_t kNativeFatalCode = 134;

}  // namespace

void vsNativeMethod_fatalError(const char* message) {
  vsOutputStream_printLine(vsOutputStream_log(), "%s", message);
  vsVm_fatalErrorCode(kNativeFatalCode);
}
