// The start of the core without a class image (see image_less_start.h).
#include "vm/core/loader/image_less_start.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/required_class.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/memory/boot_classes.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_mirrors.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/startup/vm_control.h"

namespace {

constexpr int16_t kClassInstanceBytes = sizeof(ClassMirror);
constexpr int16_t kThrowableMinimumBytes = 12;

// The array classes made before the class table, which get their ids first.
constexpr Root kArrayRoots[] = {kRootBooleanArray, kRootCharArray, kRootFloatArray, kRootDoubleArray,
                                kRootByteArray,    kRootShortArray, kRootIntArray,  kRootLongArray,
                                kRootObjectArray};

// The exception classes that class loading raises.
constexpr const char* kLoaderExceptions[] = {kVmErrorClass, kNoClassDefFoundClass, kClassNotFoundClass,
                                             "java/lang/OutOfMemoryError"};

// Allocations of the start either succeed or end the VM (start-up phase);
// the few that report failure end it the same way.
void require(int32_t made) {
  if (made == 0) vsVm_fatalErrorCode(kFatalHeapTooSmall);
}

VmRef requireRef(VmRef made) {
  require(made != 0 ? 1 : 0);
  return made;
}

void requireLayout(Root root, bool exact, int16_t bytes) {
  const int16_t size = vsRoot_as<ClassRecord>(root)->instanceKind;
  if (exact ? size != bytes : size < bytes) vsVm_fatalErrorCode(kFatalInconsistency);
}

void createClassTables() {
  const bool building = vsVmState().buildingImage != 0;
  vsRoot(kRootClassTable) = requireRef(vsJavaHeap_newObjectArray(building ? kImageClassTableLength : kStartClassTableLength));
  vsClassTable_setCount(0);
  for (Root root : kArrayRoots) {
    require(vsJavaHeap_reserveClassId());
    vsJavaHeap_registerClass(&vsRoot(root));
    require(vsArrayClass_register(&vsRoot(root)));
  }
  require(vsClassTables_createLoaded(kLoadedClassBuckets));
}

// Mirrors for the classes made before java.lang.Class.
void giveMirrors() {
  for (uint32_t id = 0; id < vsClassTable_count(); ++id) {
    const ClassRecord* cls = vsClass_byId(id);
    if (cls == nullptr || cls->mirror.raw != 0 || vsClass_isStub(cls)) continue;
    const bool loaded = vsObject_kind(vsRef_of(cls)) == kKindInstanceClass;
    VmHandle held;
    vsHandle_push(&held, vsRef_of(cls));
    const int32_t made = vsClass_createMirror(&held.object, loaded);
    vsHandle_close(&held);
    require(made);
  }
}

}  // namespace

void vsCore_startWithoutImage() {
  if (vsVmState().buildingImage != 0) vsMethodLookup_imageOption = 1;
  require(vsBootClasses_createKinds());
  require(vsBootClasses_createPrimitiveArrays());
  require(vsBootClasses_createObjectArrayClass());
  vsRoot(kRootSymbolTable) = requireRef(vsJavaHeap_newObjectArray(kSymbolTableInitialLength));
  vsRoot(kRootInternTable) = requireRef(vsJavaHeap_newObjectArray(kInternTableInitialLength));
  require(vsWellKnown_createNames());
  createClassTables();

  vsRoot(kRootObject) = vsVm_loadRequiredClass("java/lang/Object");
  require(vsBootClasses_attachArraysToObject());

  vsRoot(kRootClass) = vsVm_loadRequiredClass("java/lang/Class");
  requireLayout(kRootClass, true, kClassInstanceBytes);
  giveMirrors();

  vsRoot(kRootString) = vsVm_loadRequiredClass("java/lang/String");
  requireLayout(kRootString, true, kStringInstanceBytes);
  vsRoot(kRootThrowable) = vsVm_loadRequiredClass("java/lang/Throwable");
  requireLayout(kRootThrowable, false, kThrowableMinimumBytes);
  require(vsWellKnown_createEncoded());

  VmHandle outOfMemory;
  vsHandle_pushEmpty(&outOfMemory);
  for (const char* name : kLoaderExceptions) outOfMemory.object = vsVm_loadRequiredClass(name);
  const VmRef instance = vsJavaHeap_newFinalizableInstance(&outOfMemory.object);
  vsHandle_close(&outOfMemory);
  vsRoot(kRootOutOfMemoryError) = requireRef(instance);
}
