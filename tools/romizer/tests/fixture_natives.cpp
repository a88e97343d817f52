// The functions of the natives of the romizer's fixture image. Shifts
// declares two natives named shift, so their functions carry the argument
// descriptor (the long names); Missing.gone has none on purpose.
#include <cstdint>

#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_method.h"

namespace {

// Argument i (from 1) of a static native: the word at the parameter
// pointer - 4i.
int32_t intArgument(uint32_t i) {
  return static_cast<int32_t>(*vsWord_toPointer<VmWord>(vsVmGlobals.nativeParameterPointer - 4 * i));
}

}  // namespace

extern "C" void Java_romizer_image_Shifts_shift__I() { vsNativeMethod_setReturnInt(intArgument(1) << 1); }

extern "C" void Java_romizer_image_Shifts_shift__II() {
  vsNativeMethod_setReturnInt(intArgument(1) << intArgument(2));
}
