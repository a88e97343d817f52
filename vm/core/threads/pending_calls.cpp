// Pending calls of class initialization and instance creation (see
// pending_calls.h).
#include "vm/core/threads/pending_calls.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_relations.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/names.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/threads/thread_record.h"
#include "vm/core/threads/threads.h"

namespace {

ClassRecord* rec(const VmRef* cls) { return vsRef_as<ClassRecord>(*cls); }

// Appends the call of the method to the thread, with the receiver (0 for a
// static method) as its one argument. 1, or 0 with an exception pending.
int32_t appendCall(const VmRef* thread, const VmRef* method, const VmRef* receiver) {
  VmHandle call;
  vsHandle_push(&call, vsJavaHeap_newPendingCall(method, receiver != nullptr ? 1 : 0));
  const int32_t ok = call.object != 0;
  if (ok) {
    if (receiver != nullptr) vsArgumentBlock_setReference(vsRef_as<ArgumentBlock>(call.object), 0, *receiver);
    vsThread_appendPendingCall(thread, &call.object);
  }
  vsHandle_close(&call);
  return ok;
}

// Whether the caller reaches the constructor of its holder class.
bool reachesConstructor(const ClassRecord* caller, const ClassRecord* holder, const MethodRecord* constructor) {
  if (caller == nullptr || vsMethod_isPublic(constructor)) return true;
  if (vsMethod_isPrivate(constructor)) return caller == holder;
  return vsName_samePackage(vsClass_name(caller), vsClass_name(holder));
}

}  // namespace

int32_t vsClass_initialize(const VmRef* cls, const VmRef* thread) {
  const ClassRecord* c = rec(cls);
  const ClassMirror* mirror = vsClass_mirror(c);
  if ((mirror->status & kMirrorInitialized) != 0) return 1;
  const VmRef javaThread = vsRef_as<ThreadRecord>(*thread)->javaThread;
  if ((mirror->status & kMirrorInitializing) != 0 && mirror->initializingThread == javaThread) return 1;
  VmHandle initialize;
  vsHandle_push(&initialize, vsClass_findMethodInClass(vsRoot_as<ClassRecord>(kRootClass),
                                                       vsWellKnown_symbol(kSymInitialize),
                                                       vsWellKnown_symbol(kSymSignatureVoid)));
  // Without it no class can be initialized: the library is not this VM's.
  if (initialize.object == 0) vsVm_fatalErrorCode(kFatalInconsistency);
  VmHandle receiver;
  vsHandle_push(&receiver, vsRef_of(vsClass_mirror(rec(cls))));
  const int32_t ok = appendCall(thread, &initialize.object, &receiver.object);
  vsHandle_close(&initialize);
  return ok;
}

int32_t vsClass_runClassInitializer(const VmRef* cls) {
  VmHandle initializer;
  vsHandle_push(&initializer, vsClass_findMethodInClass(rec(cls), vsWellKnown_symbol(kSymClinit),
                                                        vsWellKnown_symbol(kSymSignatureVoid)));
  int32_t ok = 1;
  if (initializer.object != 0) ok = appendCall(&vsVmGlobals.currentThread, &initializer.object, nullptr);
  vsHandle_close(&initializer);
  return ok;
}

VmRef vsClass_newInstanceWithConstructorCall(const VmRef* cls, const ClassRecord* caller) {
  const ClassRecord* c = rec(cls);
  const uint32_t flags = c->classInfo->accessFlags;
  if (!vsClass_isInstanceClass(cls) || (flags & (kClassAbstract | kClassInterface)) != 0) {
    vsException_raiseWithCode(kInstantiationClass, kErrInstantiation);
    return 0;
  }
  const VmRef found =
      vsClass_findMethod(c, vsWellKnown_symbol(kSymInit), vsWellKnown_symbol(kSymSignatureVoid));
  if (found == 0) {
    vsException_raiseWithCode(kInstantiationClass, kErrInstantiation);
    return 0;
  }
  const MethodRecord* constructor = vsRef_as<MethodRecord>(found);
  if (vsMethod_holderClass(constructor) != c) {
    // A class whose only no-argument constructor is inherited cannot be
    // instantiated (the API's InstantiationException, with the code that
    // tells the case apart).
    vsException_raiseWithCode(kInstantiationClass, kErrMethodMissing);
    return 0;
  }
  if (caller != nullptr && !vsClass_checkAccess(caller, c, 0)) return 0;
  if (!reachesConstructor(caller, c, constructor)) {
    vsException_throwIllegalAccess(0);
    return 0;
  }
  VmHandle method;
  vsHandle_push(&method, found);
  VmHandle object;
  vsHandle_push(&object, vsJavaHeap_newInstance(cls, static_cast<uint16_t>(rec(cls)->instanceKind)));
  VmRef result = 0;
  if (object.object != 0 && appendCall(&vsVmGlobals.currentThread, &method.object, &object.object) != 0)
    result = object.object;
  vsHandle_close(&method);
  return result;
}
