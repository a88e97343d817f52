// Resolves every constant-pool entry of hostile class files. An input is a
// class name, a NUL byte and the class file (the classdump seeds: valid
// classes that the fuzzer mutates in pool and code). The core is started
// once without a class image, with the verifier off, and snapshotted;
// every input starts from the snapshot, loads its class (the loader
// prepares the bytecode) and resolves each entry through every resolution
// that its tag admits, members as static and as instance ones, then runs
// the inot peephole over each of its methods with code. Every
// refusal must leave a java/lang/Error (or subclass) pending, never a
// crash or a sanitizer report; afterwards the heap must still walk to its
// allocation top.
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "tests/core/class_file_fuzz.h"
#include "tests/support/fuzz_main.h"
#include "vm/core/interp/boolean_not.h"
#include "vm/core/interp/method_resolution.h"
#include "vm/core/interp/pool_resolution.h"
#include "vm/core/interp/pool_strings.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/subtype.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/vm_flags.h"

namespace {

VmRef gErrorClass = 0;

// The verifier stays off: hostile code reaches resolution unchecked.
bool afterBoot() {
  vsVmFlags().UseVerifier = 0;
  const uint8_t name[] = "java/lang/Error";
  VmHandle symbol;
  vsHandle_push(&symbol, vsSymbol_intern(name, sizeof name - 1, false));
  ClassLookup lookup;
  vsClassLookup_init(&lookup, &symbol.object, 1, 0, 0);
  gErrorClass = vsClass_findOrLoad(&lookup);
  vsHandle_close(&symbol);
  return gErrorClass != 0;
}

// A refusal is an Error; it is cleared.
void takeRefusal() {
  const VmRef e = vsPendingException();
  if (e == 0) return;
  if (!vsClass_isSubtypeOf(vsObject_class(e), vsRef_as<ClassRecord>(gErrorClass))) std::abort();
  vsPendingException() = 0;
}

void resolveEntry(const VmRef* pool, const VmRef* accessing, uint32_t index) {
  const uint8_t tag = vsConstantPool_tagAt(vsRef_as<ConstantPool>(*pool), index);
  if (vsPoolTag_isClass(tag)) {
    vsConstantPool_resolveClass(pool, index);
    takeRefusal();
  } else if (tag == kTagUnresolvedString) {
    vsConstantPool_resolveString(pool, index);
    takeRefusal();
  } else if (tag == kTagClassFileString) {
    vsConstantPool_internStringAt(pool, index);
    takeRefusal();
  } else if (tag == kTagFieldRef) {
    for (const bool isStatic : {true, false})
      for (const bool isGet : {true, false}) {
        uint32_t offset = 0;
        ClassRecord* holder = nullptr;
        vsConstantPool_resolveField(pool, index, &offset, isStatic, isGet, accessing, &holder);
        takeRefusal();
      }
  } else if (tag == kTagMethodRef) {
    vsConstantPool_resolveVirtualMethod(pool, accessing, index);
    takeRefusal();
    vsConstantPool_resolveSpecialMethod(pool, accessing, index);
    takeRefusal();
    vsConstantPool_resolveStaticMethod(pool, accessing, index);
    takeRefusal();
  } else if (tag == kTagInterfaceMethodRef) {
    vsConstantPool_resolveInterfaceMethod(pool, accessing, index);
    takeRefusal();
  }
}

// An index past the pool: error 91 from every kind of resolution.
void resolvePastThePool(const VmRef* pool, const VmRef* accessing, uint32_t index) {
  uint32_t offset = 0;
  ClassRecord* holder = nullptr;
  vsConstantPool_resolveClass(pool, index);
  takeRefusal();
  vsConstantPool_resolveField(pool, index, &offset, false, true, accessing, &holder);
  takeRefusal();
  vsConstantPool_resolveVirtualMethod(pool, accessing, index);
  takeRefusal();
  vsConstantPool_resolveInterfaceMethod(pool, accessing, index);
  takeRefusal();
}

// The peephole pass over every method with code; its only refusal is a
// failed allocation.
void fuseNegations(const VmRef* cls) {
  VmHandle method;
  vsHandle_push(&method, 0);
  for (int32_t i = 0;; ++i) {
    const VmRef methods = vsClass_methods(vsRef_as<ClassRecord>(*cls));
    if (methods == 0 || i >= vsRef_as<ObjectArray>(methods)->length) break;
    method.object = vsRef_as<ObjectArray>(methods)->elements[i];
    if (method.object == 0 || vsMethod_isNative(vsRef_as<MethodRecord>(method.object)) ||
        vsMethod_isAbstract(vsRef_as<MethodRecord>(method.object)))
      continue;
    vsMethod_optimizeBooleanNot(&method.object);
    takeRefusal();
  }
  vsHandle_close(&method);
}

// Every pool entry of the loaded class resolved, then the peephole.
void resolveAll(VmRef* cls) {
  if (*cls == 0 || vsClass_isArrayClass(vsRef_as<ClassRecord>(*cls))) return;
  VmHandle pool;
  vsHandle_push(&pool, vsRef_of(vsClass_constantPool(vsRef_as<ClassRecord>(*cls))));
  const uint32_t count = pool.object != 0 ? vsRef_as<ConstantPool>(pool.object)->count : 0;
  for (uint32_t i = 1; i < count; ++i) resolveEntry(&pool.object, cls, i);
  resolvePastThePool(&pool.object, cls, count);
  fuseNegations(cls);
  vsHandle_close(&pool);
}

void body(const uint8_t* data, size_t size) {
  static const VsClassFileFuzzTarget target = {VS_SYSTEM_LIBRARY, nullptr, afterBoot, resolveAll, nullptr};
  vsClassFileFuzz_run(target, data, size);
}

}  // namespace

VS_FUZZ_TARGET(body)
