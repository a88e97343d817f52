// Bodies of methods without code (see native_bodies.h).
#include "vm/core/interp/native_bodies.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/model/handles.h"

VS_VMBSS(VmWord) vsNative_popPointer;

namespace {

constexpr uint32_t kMethodBelowPopPointer = 12;

// Raises java/lang/Error naming the method of the running native's frame.
void raiseNamingRunningMethod() {
  VmHandle method;
  vsHandle_push(&method, *vsWord_toPointer<VmWord>(vsNative_popPointer - kMethodBelowPopPointer));
  vsException_raiseErrorNamingMethod(&method.object);
  vsHandle_close(&method);
}

}  // namespace

void vsNative_abstractBody() { vsException_raiseWithCode(kVmErrorClass, kErrAbstractMethodCalled); }

void vsNative_unboundBody() { raiseNamingRunningMethod(); }

void vsNative_intrinsicBody() { raiseNamingRunningMethod(); }

void vsNative_interfaceMethodMissingBody() { vsException_raiseWithCode(kVmErrorClass, kErrInterfaceMethodMissing); }

void vsNative_interfaceMethodNotPublicBody() {
  vsException_raiseWithCode(kVmErrorClass, kErrAccessDenied);
}
