// The core start with the class image and the hand-over of main (see
// core_start.h).
#include "vm/core/startup/core_start.h"

#include <algorithm>
#include <cstring>

#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/image/image_checker.h"
#include "vm/core/image/image_dump.h"
#include "vm/core/image/image_loader.h"
#include "vm/core/image/image_walk.h"
#include "vm/core/interp/runtime_entries.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/interpreter.h"
#include "vm/core/interp/jit_policy.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/interp/string_helpers.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/bytecode/class_link.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/loader/class_path.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/threads/pending_calls.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/service_hooks.h"
#include "vm/core/startup/start_dump.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/thread_end.h"
#include "vm/core/threads/thread_record.h"
#include "vm/core/threads/threads.h"
#include "vm/core/threads/service_calls.h"

namespace {

constexpr int32_t kLoadedClassTableBuckets = 128;

VmRef require(VmRef made) {
  if (made == 0) vsVm_fatalErrorCode(kFatalHeapTooSmall);
  return made;
}

void checkVersion(const ImageDescriptor* image) {
  const uint32_t version = vsWord_toPointer<const VmWord>(image->header)[2];
  if (version == kImageVersion) return;
  vsOutputStream_printLine(vsOutputStream_log(),
                           "[ERROR] Failed to the version check of romizer. Expected version=%u, Actual version=%d",
                           kImageVersion, static_cast<int32_t>(version));
  vsVm_fatalErrorCode(0);
}

void joinClassTables() {
  vsClassTables.searched[0] = vsPersistentRoots[kRootImageClassTable];
  if (vsClassTables_createLoaded(kLoadedClassTableBuckets) == 0) vsVm_fatalErrorCode(kFatalHeapTooSmall);
  vsPersistentRoots[kRootLoadedClassTable] = vsClassTables.loaded;
}

// The stack-map tag array as long as the largest frame of an image method.
void createTagArray() {
  uint32_t largest = 0;
  for (uint32_t id = 0; id < vsImage_state.classIdCount; ++id) {
    const ClassRecord* cls = vsClass_byId(id);
    if (cls == nullptr || (cls->classInfo->accessFlags & kClassArray) != 0 || cls->classInfo->methods == 0) continue;
    const ObjectArray* methods = vsRef_as<ObjectArray>(cls->classInfo->methods);
    for (int32_t i = 0; i < methods->length; ++i) {
      const MethodRecord* m = vsRef_as<MethodRecord>(methods->elements[i]);
      if (m != nullptr && !vsMethod_isNative(m) && !vsMethod_isAbstract(m))
        largest = std::max(largest, uint32_t{m->maxLocals} + m->maxStack);
    }
  }
  if (!vsStackMap_ensureTagArray(largest)) vsVm_fatalErrorCode(kFatalHeapTooSmall);
}

// Appends a call of `method` with `argument` (a reference, or none) to the
// current thread's pending calls.
int32_t queueCall(const VmRef* method, const VmRef* argument) {
  VmHandle call;
  vsHandle_push(&call, vsJavaHeap_newPendingCall(method, argument != nullptr ? 1 : 0));
  if (call.object != 0) {
    if (argument != nullptr) vsArgumentBlock_setReference(vsRef_as<ArgumentBlock>(call.object), 0, *argument);
    vsThread_appendPendingCall(&vsVmGlobals.currentThread, &call.object);
  }
  const int32_t queued = call.object != 0 ? 1 : 0;
  vsHandle_close(&call);
  return queued;
}

// The request to initialize the class on the main thread.
int32_t queueInitialization(const VmRef* cls) { return vsClass_initialize(cls, &vsVmGlobals.currentThread); }

void startMainThread() {
  VmHandle record;
  vsHandle_push(&record, require(vsJavaHeap_newThreadRecord()));
  vsVmGlobals.currentThread = record.object;
  const VmRef javaThread = require(vsJavaHeap_newFinalizableInstance(&vsRoot(kRootThread)));
  JavaThreadObject* t = vsRef_as<JavaThreadObject>(javaThread);
  t->priority = kNormPriority;
  vsJavaHeap_storeReference(&t->threadRecord, record.object);
  vsJavaHeap_storeReference(&vsRef_as<ThreadRecord>(record.object)->javaThread, javaThread);
  if (vsThread_createMain(&record.object) == 0) vsVm_fatalErrorCode(kFatalHeapTooSmall);
  // The current thread's stack limit is the yield word.
  vsScheduler_publishStackLimit(vsRef_as<ThreadRecord>(record.object)->stackLimit);
  vsThread_start(&record.object);
  vsHandle_close(&record);
}

void keepClassPath(const char* classPath) {
  // A longer class path (from the environment, say) would leave the VM
  // with no class path at all: better stopped with its reason.
  if (vsClassPath_set(classPath) == 0) vsVm_fatal("class path longer than 1024 characters");
  VmHandle text;
  vsHandle_push(&text, require(vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>(classPath),
                                                             static_cast<int32_t>(std::strlen(classPath)))));
  vsRoot(kRootClassPath) = require(vsString_splitPath(&text.object));
  vsHandle_close(&text);
}

// "main" ([Ljava/lang/String;)V of the class, its superclasses and, with
// the image's lookup option, its interfaces; 0 when there is none.
VmRef findMain(const ClassRecord* cls) {
  const VmRef name = vsWellKnown_symbol(kSymMain);
  const VmRef signature = vsWellKnown_symbol(kSymSignatureMain);
  const VmRef found = vsClass_findMethod(cls, name, signature);
  if (found != 0 || (vsMethodLookup_imageOption & 1) == 0) return found;
  const VmRef interfaces = vsClass_localInterfaces(cls);
  if (interfaces == 0) return 0;
  const ShortArray* ids = vsRef_as<ShortArray>(interfaces);
  for (int32_t i = 0; i < ids->length; ++i)
    if (const ClassRecord* iface = vsClass_byId(static_cast<uint16_t>(ids->elements[i])))
      if (const VmRef m = vsClass_findMethodInClass(iface, name, signature)) return m;
  return 0;
}

VmRef argumentArray(int32_t argc, const VmPtr<const char>* argv) {
  VmHandle array;
  vsHandle_push(&array, vsJavaHeap_newArrayOf(&vsRoot(kRootString), argc));
  for (int32_t i = 0; array.object != 0 && i < argc; ++i) {
    const char* text = argv[i].get();
    const VmRef s = vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>(text),
                                                 static_cast<int32_t>(std::strlen(text)));
    if (s == 0) array.object = 0;
    else vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(array.object)->elements[i], s);
  }
  const VmRef result = array.object;
  vsHandle_close(&array);
  return result;
}

}  // namespace

void vsCore_start(const ImageDescriptor* image, const char* classPath) {
  vsVmGlobals_clearReferences();
  if (vsJavaHeap_setup(image->readOnlySize, image->writableSize) == 0) vsVm_fatalErrorCode(kFatalHeapTooSmall);
  vsThread_reset();
  vsScheduler_initialize();
  checkVersion(image);
  const int32_t loaded = vsImage_load(image);
  if (loaded == kImageNoRoom) vsVm_fatalErrorCode(kFatalHeapTooSmall);
  if (loaded == kImageMalformed) vsVm_fatalErrorCode(kFatalInconsistency);
  joinClassTables();
  createTagArray();
  jitEntry_setRomEntries();
  vsInterpreter_initialize();
  if (vsException_isPending()) return;

  if (vsVm_createRootArray() == 0) vsVm_fatalErrorCode(kFatalHeapTooSmall);
  startMainThread();
  vsVmState().startupPhase = 0;
  keepClassPath(classPath);
  if (queueInitialization(&vsRoot(kRootSystem)) == 0 || queueInitialization(&vsRoot(kRootI18nHelper)) == 0)
    vsVm_fatalErrorCode(kFatalHeapTooSmall);
  vsJavaHeap.maxArrayLength =
      kMaxNativeByteArrayLength / static_cast<uint32_t>(vsArrayClass_elementSize(vsRoot_as<ClassRecord>(kRootByteArray)));
}

int32_t vsCore_queueMain(const char* className, int32_t argc, const VmPtr<const char>* argv) {
  char name[kVsClassPath_maxText + 1];
  size_t n = 0;
  for (; className[n] != '\0' && n < sizeof name - 1; ++n) name[n] = className[n] == '.' ? '/' : className[n];
  name[n] = '\0';
  VmHandle cls;
  vsHandle_push(&cls, vsClass_findOrLoadByName(name, 1));
  if (cls.object != 0 && vsClass_isArrayClass(vsRef_as<ClassRecord>(cls.object))) {
    // An array type names no class with a main method.
    vsException_raise(kNoClassDefFoundClass, name);
    cls.object = 0;
  }
  int32_t queued = 0;
  if (cls.object != 0 && queueInitialization(&cls.object) != 0) {
    VmHandle arguments;
    vsHandle_push(&arguments, argumentArray(argc, argv));
    VmHandle main;
    vsHandle_push(&main, findMain(vsRef_as<ClassRecord>(cls.object)));
    if (arguments.object != 0) {
      if (main.object == 0 || !vsMember_isStatic(vsRef_as<MethodRecord>(main.object)))
        vsException_raiseWithCode(kVmErrorClass, kErrNoMainMethod);
      else
        queued = queueCall(&main.object, &arguments.object);
    }
  }
  vsHandle_close(&cls);
  return queued;
}

namespace {

// Step 7, once main has its thread: the compile policy's start.
void startPolicy() { jitPolicy_init(static_cast<uint64_t>(vsOs_currentTimeMillis())); }

}  // namespace

void vsCore_reportUncaught() { vsThread_printUncaught("Uncaught Exception: "); }

int32_t vsCore_main(const ImageDescriptor* image, const char* classPath, const char* className, int32_t argc,
                    const VmPtr<const char>* argv, VmInspection inspection) {
  VmStateWords& s = vsVmState();
  const bool verifyOnly = vsVmFlags().VerifyOnly != 0;
  const bool slave = vsVmFlags().SlaveMode != 0;
  const VsOutputStream* report = vsOutputStream_console();
  s.exitCode = 0;
  vsOs_initializeICache();
  vsCore_start(image, classPath);
  // Step 5: the built-in parts.
  if (!vsException_isPending() && !verifyOnly) vsParts_Initializer();
  if (vsException_isPending()) {
    vsPendingException() = 0;
    s.exitCode = verifyOnly ? -2 : -1;
  } else if (verifyOnly) {
    // Step 4: every class of the class path loaded and verified; the
    // verifier sets the status of a failure.
    if (vsVerifier_verifyClassPath()) s.exitCode = 0;
  } else if (inspection == VmInspection::CheckImage) {
    s.exitCode = vsImage_check(image, report).faults == 0 ? 0 : 1;
  } else if (inspection == VmInspection::DumpImage) {
    vsImage_dump(image, report);
  } else if (vsCore_queueMain(className, argc, argv) == 0) {
    if (vsException_isPending()) {
      vsCore_reportUncaught();
      if (s.exitCode == 0) s.exitCode = -1;
    }
    if (slave) s.exitCode = -1;
  } else {
    startPolicy();
    if (inspection == VmInspection::DumpStart) {
      vsCore_dumpStart(report);
    } else if (slave) {
      // The host drives the VM from here on (slave_mode.h).
      vsScheduler.slaveAlive = 1;
      return 0;
    } else if (s.exiting == 0) {
      // Step 10: the scheduler runs every thread, main first, until none is
      // left; an exception that comes back pending is reported.
      vsInterpreter_resumeCurrentThread();
      vsLocalRootList = {};
      if (vsException_isPending() && s.exiting == 0) vsThread_printUncaught("Uncaught exception: ");
    }
  }
  vsVm_shutdown();
  return s.exitCode;
}
