// Raising an exception of a class by name (see exceptions.h).
//
// This file holds exactly the three entries that the core's tests replace
// with a recording double; the other raising forms build on them.
#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/printf.h"
#include "vm/core/startup/vm_control.h"

namespace {

// Byte offset of Throwable's detail message: its first field.
constexpr uint32_t kDetailMessageOffset = 4;

// The class of the name, loaded when needed; 0 with the failure pending.
VmRef exceptionClass(const char* className) {
  const WellKnown slot = vsWellKnown_findName(className);
  VmHandle name;
  vsHandle_push(&name, slot != kWellKnownCount ? vsWellKnown_symbol(slot) : 0);
  if (name.object == 0) name.object = vsSymbol_fromCString(className, false);
  VmRef cls = 0;
  if (name.object != 0) {
    ClassLookup lookup;
    vsClassLookup_init(&lookup, &name.object, 1, 0, 0);
    cls = vsClass_findOrLoad(&lookup);
  }
  vsHandle_close(&name);
  return cls;
}

}  // namespace

void vsException_raise(const char* className, const char* message) {
  if (vsVmState().buildingImage != 0 || vsRoot(kRootOutOfMemoryError) == 0) {
    vsOutputStream_printLine(vsOutputStream_log(), "%s \"%s\"", className, message != nullptr ? message : "");
    vsVm_fatalErrorCode(kFatalRequiredClass);
  }
  vsPendingException() = 0;
  VmHandle cls;
  vsHandle_push(&cls, exceptionClass(className));
  if (cls.object == 0) {
    // The class itself failed: an Error that names it takes its place.
    vsPendingException() = 0;
    message = className;
    cls.object = exceptionClass(kVmErrorClass);
  }
  VmHandle exception;
  vsHandle_pushEmpty(&exception);
  if (cls.object != 0) exception.object = vsJavaHeap_newFinalizableInstance(&cls.object);
  // Only an instance with room for the detail message gets one.
  if (exception.object != 0 && message != nullptr &&
      vsRef_as<ClassRecord>(cls.object)->instanceKind >= static_cast<int16_t>(kDetailMessageOffset + 4)) {
    const VmRef text = vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>(message),
                                                    static_cast<int32_t>(std::strlen(message)));
    if (text == 0)
      exception.object = 0;
    else
      vsJavaHeap_storeReference(vsRef_as<VmWord>(exception.object + kDetailMessageOffset), text);
  }
  if (exception.object != 0) vsPendingException() = exception.object;
  vsHandle_close(&cls);
}

void vsException_raiseWithCode(const char* className, int32_t code) {
  char message[16];
  vsPrintf_snprintf(message, sizeof message, "%3d", code);
  vsException_raise(className, message);
}

void vsException_throwArrayStore(int32_t code) { vsException_raiseWithCode(kArrayStoreClass, code); }
