// Accessors over class records, class-info records and mirrors (see
// class_access.h).
#include "vm/core/model/class_access.h"

#include "vm/core/memory/class_table.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_mirrors.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"

ClassRecord* vsObject_class(VmRef object) {
  return vsRef_as<ObjectHeader>(object)->near->classRecord.get();
}

int32_t vsObject_kind(VmRef object) { return vsObject_class(object)->instanceKind; }

namespace {

int32_t kindOfClassRecord(const VmRef* cls) { return vsObject_kind(*cls); }

ClassInfo* info(const ClassRecord* cls) { return cls->classInfo.get(); }

}  // namespace

bool vsClass_isInstanceClass(const VmRef* cls) {
  return kindOfClassRecord(cls) == kKindInstanceClass;
}

bool vsClass_isObjectArrayClass(const VmRef* cls) {
  return kindOfClassRecord(cls) == kKindObjectArrayClass;
}

bool vsClass_isTypeArrayClass(const VmRef* cls) {
  return kindOfClassRecord(cls) == kKindTypeArrayClass;
}

bool vsObject_isObjectArray(VmRef object) { return vsObject_kind(object) == kKindObjectArray; }

bool vsObject_isTypeArray(VmRef object) {
  const int32_t kind = vsObject_kind(object);
  return kind <= kKindByteArray && kind >= kKindLongArray;
}

bool vsObject_isString(const VmRef* object) {
  return vsRef_of(vsObject_class(*object)) == vsRoot(kRootString);
}

bool vsObject_isByteArray(VmRef object) {
  // Symbols of the image have no header to read the class from.
  if (object - vsSymbolTable_imageArea[0] < vsSymbolTable_imageArea[1] - vsSymbolTable_imageArea[0]) return false;
  return vsRef_of(vsObject_class(object)) == vsRoot(kRootByteArray);
}

bool vsClass_isJavaLangObject(const ClassRecord* cls) {
  return vsRef_of(cls) == vsRoot(kRootObject);
}

uint16_t vsClass_id(const ClassRecord* cls) { return info(cls)->classId; }

void vsClass_accessFlags(const VmRef* cls, uint32_t* out) {
  *out = info(vsRef_as<ClassRecord>(*cls))->accessFlags;
}

bool vsClass_isStub(const ClassRecord* cls) { return (info(cls)->accessFlags & kClassStub) != 0; }

bool vsClass_isArrayClass(const ClassRecord* cls) {
  return (info(cls)->accessFlags & kClassArray) != 0;
}

bool vsClass_isVerified(const ClassRecord* cls) {
  return (info(cls)->accessFlags & kClassVerified) != 0;
}

void vsClass_setTrivialConstructor(ClassRecord* cls) {
  info(cls)->accessFlags |= kClassTrivialConstructor;
}

void vsClass_setVerified(ClassRecord* cls) {
  info(cls)->accessFlags |= kClassVerified;
  vsClass_setMirrorVerified(cls);
}

VmRef vsClass_methods(const ClassRecord* cls) { return info(cls)->methods; }

VmRef vsClass_localInterfaces(const ClassRecord* cls) { return info(cls)->localInterfaces; }

VmSymbol* vsClass_name(const ClassRecord* cls) { return info(cls)->name.get(); }

ConstantPool* vsClass_constantPool(const ClassRecord* cls) {
  return info(cls)->constantPool.get();
}

VmRef vsClass_fields(const ClassRecord* cls) { return info(cls)->fields; }

ClassMirror* vsClass_mirror(const ClassRecord* cls) { return cls->mirror.get(); }

int32_t vsArrayClass_elementSize(const ClassRecord* arrayClass) {
  return static_cast<int32_t>(info(arrayClass)->fields);
}

namespace {

uint32_t setStatus(ClassRecord* cls, uint32_t bits) {
  ClassMirror* m = cls->mirror.get();
  const uint32_t old = m->status;
  m->status = old | bits;
  return old;
}

bool testStatus(const ClassRecord* cls, uint32_t bits) {
  return (cls->mirror->status & bits) != 0;
}

}  // namespace

uint32_t vsClass_setMirrorVerified(ClassRecord* cls) { return setStatus(cls, kMirrorVerified); }

void vsClass_setInitialized(ClassRecord* cls) { setStatus(cls, kMirrorInitialized); }

void vsClass_clearInitialized(ClassRecord* cls) { cls->mirror->status &= ~uint32_t{kMirrorInitialized}; }

bool vsClass_isInitialized(const ClassRecord* cls) { return testStatus(cls, kMirrorInitialized); }

bool vsClass_isBeingInitialized(const ClassRecord* cls) {
  return testStatus(cls, kMirrorInitializing);
}

uint32_t vsClass_setOpen(ClassRecord* cls) { return setStatus(cls, kMirrorOpen); }

bool vsClass_isOpen(const ClassRecord* cls) { return testStatus(cls, kMirrorOpen); }

ClassRecord* vsClass_byId(uint32_t id) {
  if (id >= vsClassTable_count()) return nullptr;
  return vsRef_as<ClassRecord>(vsRef_as<ObjectArray>(vsRoot(kRootClassTable))->elements[id]);
}

void vsClass_fillRecord(ClassRecord* cls, VmRef near, uint32_t size, int32_t kind, VmWord oopMap) {
  vsJavaHeap_storeReference(&cls->header, near);
  cls->recordSize = static_cast<uint16_t>(size);
  cls->instanceKind = static_cast<int16_t>(kind);
  cls->oopMap = oopMap;
}

VmRef vsClass_arrayClass(const VmRef* elementClass, int32_t dims) {
  VmHandle current;
  vsHandle_pushCopy(&current, elementClass);
  for (int32_t i = 0; i < dims; ++i) {
    ClassRecord* cls = vsRef_as<ClassRecord>(current.object);
    VmRef array = cls->arrayClass.raw;
    if (array == 0) {
      array = vsJavaHeap_newArrayClass(&current.object);
      if (array == 0) {
        vsHandle_close(&current);
        return 0;
      }
      cls = vsRef_as<ClassRecord>(current.object);
      vsJavaHeap_storeReference(&cls->arrayClass.raw, array);
      current.object = array;
      // Classes with ids finish with the registration step.
      if (vsRoot(kRootClassTable) != 0 && vsArrayClass_register(&current.object) == 0) {
        vsHandle_close(&current);
        return 0;
      }
      continue;
    }
    current.object = array;
  }
  const VmRef result = current.object;
  vsHandle_close(&current);
  return result;
}

VmRef vsClass_nearOfInstanceClasses() {
  return vsRoot_as<ClassRecord>(kRootInstanceClassKind)->protoNear.raw;
}

VmRef vsClass_nearOfObjectArrayClasses() {
  return vsRoot_as<ClassRecord>(kRootObjectArrayClassKind)->protoNear.raw;
}
