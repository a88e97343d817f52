// Exception entries double (see exception_double.h).
#include "tests/core/exception_double.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/model/vm_globals.h"

namespace {

RaisedException gLast;
VmRef gMarker = 0;

void record(const char* className, bool hasCode, int32_t code) {
  ++gLast.count;
  gLast.className = className;
  gLast.hasCode = hasCode;
  gLast.code = code;
  vsPendingException() = gMarker != 0 ? gMarker : 1;
}

}  // namespace

const RaisedException& vsTestException_last() { return gLast; }

void vsTestException_clear() {
  gLast = RaisedException{};
  vsPendingException() = 0;
}

void vsTestException_setMarker(VmRef marker) { gMarker = marker; }

void vsException_raise(const char* className, const char*) { record(className, false, 0); }

void vsException_raiseWithCode(const char* className, int32_t code) { record(className, true, code); }

void vsException_throwArrayStore(int32_t code) {
  record("java/lang/ArrayStoreException", true, code);
}
