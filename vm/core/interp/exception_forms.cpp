// Raising forms built on vsException_raise (see exceptions.h).
#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/model/handles.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/vm_control.h"

namespace {

// Raises with the symbol's text as message. The text is copied first: the
// raise allocates, and symbols may move.
void raiseNaming(const char* className, const VmRef* symbol) {
  const VmSymbol* s = vsRef_as<VmSymbol>(*symbol);
  char* text = new char[s->length + 1u];
  std::memcpy(text, s->bytes, s->length);
  text[s->length] = '\0';
  vsException_raise(className, text);
  delete[] text;
}

}  // namespace

void vsException_raiseClassNotFound(const VmRef* name, int32_t kind) {
  if (vsVmState().startupPhase != 0) {
    const VmSymbol* s = vsRef_as<VmSymbol>(*name);
    vsOutputStream_print(vsOutputStream_log(), "%.*s\n", static_cast<int>(s->length),
                         reinterpret_cast<const char*>(s->bytes));
    vsVm_fatalErrorCode(kFatalClassNotFoundAtStart);
  }
  raiseNaming(kind == 1 ? kNoClassDefFoundClass : kClassNotFoundClass, name);
}

void vsException_raiseErrorNamingMethod(const VmRef* method) {
  VmHandle name;
  vsHandle_push(&name, vsMethod_name(vsRef_as<MethodRecord>(*method)));
  raiseNaming(kVmErrorClass, &name.object);
  vsHandle_close(&name);
}

void vsException_throwIllegalAccess(int32_t form) {
  if (form == 1)
    vsException_raiseWithCode(kVmErrorClass, kErrAccessDenied);
  else
    vsException_raiseWithCode(kIllegalAccessClass, kErrIllegalAccess);
}
