// Raising an exception of a class by name (see exceptions.h).
//
// This file holds exactly the three entries that the core's tests replace
// with a recording double; the other raising forms build on them.
#include "vm/core/interp/exceptions.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/printf.h"

void vsException_raise(const char* className, const char* message) {
  vsPendingException() = 0;
  const VmRef exception = vsException_create(className, message);
  if (exception != 0) vsPendingException() = exception;
}

void vsException_raiseWithCode(const char* className, int32_t code) {
  char message[16];
  vsPrintf_snprintf(message, sizeof message, "%3d", code);
  vsException_raise(className, message);
}

void vsException_throwArrayStore(int32_t code) { vsException_raiseWithCode(kArrayStoreClass, code); }
