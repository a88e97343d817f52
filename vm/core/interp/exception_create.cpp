// Creating the VM's exception objects (see exceptions.h).
//
// A new exception is an instance of its class with the message, as a
// String, already in Throwable's detail-message field: an exception made
// before any Java code runs (a class missing at start) names its message
// too. Its constructor, <init>(String) with the message or <init>() without
// one, is queued as a pending call of the current thread behind the class's
// initialisation, so both run before the thread's interpreted code goes on.
// Without a current thread nothing is queued.
#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/threads/pending_calls.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/threads/threads.h"

namespace {

// Byte offset of Throwable's detail message: its first field.
constexpr uint32_t kDetailMessageOffset = 4;

// The class of the name, loaded when needed and initialised on the thread
// (none: 0); 0 with the failure pending.
VmRef exceptionClass(const char* className, const VmRef* thread) {
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
  name.object = cls;
  if (cls != 0 && *thread != 0 && vsClass_initialize(&name.object, thread) == 0) name.object = 0;
  cls = name.object;
  vsHandle_close(&name);
  return cls;
}

// Queues the constructor of the new exception with the message (or none).
// A class without the matching constructor of its own gets <init>() when it
// has one; the message stays in its field either way. False, with
// OutOfMemoryError pending, when the call cannot be made.
bool queueConstructor(const VmRef* thread, const VmRef* exception, const VmRef* text) {
  const ClassRecord* cls = vsObject_class(*exception);
  VmHandle method;
  vsHandle_pushEmpty(&method);
  if (*text != 0)
    method.object = vsClass_findMethodInClass(cls, vsWellKnown_symbol(kSymInit), vsWellKnown_symbol(kSymSignatureString));
  const bool withMessage = method.object != 0;
  if (!withMessage)
    method.object = vsClass_findMethodInClass(cls, vsWellKnown_symbol(kSymInit), vsWellKnown_symbol(kSymSignatureVoid));
  bool ok = true;
  if (method.object != 0) {
    VmHandle call;
    vsHandle_push(&call, vsJavaHeap_newPendingCall(&method.object, withMessage ? 2 : 1));
    ok = call.object != 0;
    if (ok) {
      ArgumentBlock* block = vsRef_as<ArgumentBlock>(call.object);
      vsArgumentBlock_setReference(block, 0, *exception);
      if (withMessage) vsArgumentBlock_setReference(block, 1, *text);
      vsThread_appendPendingCall(thread, &call.object);
    }
    vsHandle_close(&call);
  }
  vsHandle_close(&method);
  return ok;
}

// The thread-kill object, made once: a bare Throwable that no handler is
// searched for. 0 with OutOfMemoryError pending when it cannot be made.
VmRef threadKill() {
  if (vsVmGlobals.threadKillObject == 0) {
    VmHandle cls;
    vsHandle_push(&cls, vsRoot(kRootThrowable));
    if (cls.object != 0) vsVmGlobals.threadKillObject = vsJavaHeap_newFinalizableInstance(&cls.object);
    vsHandle_close(&cls);
  }
  return vsVmGlobals.threadKillObject;
}

}  // namespace

VmRef vsException_create(const char* className, const char* message) {
  if (vsVmState().exiting != 0) return threadKill();
  if (vsVmState().buildingImage != 0 || vsRoot(kRootOutOfMemoryError) == 0) {
    vsOutputStream_printLine(vsOutputStream_log(), "%s \"%s\"", className, message != nullptr ? message : "");
    vsVm_fatalErrorCode(kFatalRequiredClass);
  }
  VmHandle thread, cls, exception, text;
  vsHandle_push(&thread, vsVmGlobals.currentThread);
  vsHandle_push(&cls, exceptionClass(className, &thread.object));
  if (cls.object == 0) {
    // The class itself failed: an Error that names it takes its place.
    vsPendingException() = 0;
    message = className;
    cls.object = exceptionClass(kVmErrorClass, &thread.object);
  }
  vsHandle_pushEmpty(&exception);
  vsHandle_pushEmpty(&text);
  if (cls.object != 0) exception.object = vsJavaHeap_newFinalizableInstance(&cls.object);
  if (exception.object != 0 && message != nullptr) {
    text.object = vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>(message),
                                               static_cast<int32_t>(std::strlen(message)));
    if (text.object == 0) exception.object = 0;
  }
  // Only an instance with room for the detail message gets one.
  if (text.object != 0 &&
      vsRef_as<ClassRecord>(cls.object)->instanceKind >= static_cast<int16_t>(kDetailMessageOffset + 4))
    vsJavaHeap_storeReference(vsRef_as<VmWord>(exception.object + kDetailMessageOffset), text.object);
  if (exception.object != 0 && thread.object != 0 && !queueConstructor(&thread.object, &exception.object, &text.object))
    exception.object = 0;
  const VmRef result = exception.object;
  vsHandle_close(&thread);
  return result;
}

VmRef vsException_createWithoutRaising(const char* className, const char* message) {
  VmRef exception = vsException_create(className, message);
  if (exception == 0) exception = vsPendingException();
  vsPendingException() = 0;
  return exception;
}

void vsException_throwThreadKill() {
  const VmRef kill = threadKill();
  if (kill != 0) vsPendingException() = kill;
}
