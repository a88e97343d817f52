// Mirrors and array-class registration (see class_mirrors.h).
#include "vm/core/model/class_mirrors.h"

#include <cstring>

#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/descriptors.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/startup/vm_control.h"

namespace {

constexpr char kOpenPrefix[] = "java/";

uint32_t statusFor(const ClassRecord* cls, bool fromClassPath) {
  const VmSymbol* name = vsClass_name(cls);
  const bool javaName = name != nullptr && name->length > 4 && std::memcmp(name->bytes, kOpenPrefix, 5) == 0;
  const bool openLoad = fromClassPath && vsVmState().buildingImage == 0;
  return javaName || openLoad ? uint32_t{kMirrorOpen} : 0;
}

}  // namespace

int32_t vsClass_createMirror(const VmRef* cls, bool fromClassPath) {
  if (vsRoot(kRootClass) == 0) return 1;
  const VmRef mirror = vsJavaHeap_newFinalizableInstance(&vsRoot(kRootClass));
  if (mirror == 0) return 0;
  ClassMirror* m = vsRef_as<ClassMirror>(mirror);
  ClassRecord* c = vsRef_as<ClassRecord>(*cls);
  vsJavaHeap_storeReference(&m->classRecord.raw, *cls);
  m->status = statusFor(c, fromClassPath);
  vsJavaHeap_storeReference(&c->mirror.raw, mirror);
  return 1;
}

int32_t vsArrayClass_register(const VmRef* arrayClass) {
  const VmRef name = vsType_classSymbol(arrayClass);
  if (name == 0) return 0;
  vsJavaHeap_storeReference(&vsRef_as<ClassRecord>(*arrayClass)->classInfo->name.raw, name);
  return vsClass_createMirror(arrayClass, false);
}
