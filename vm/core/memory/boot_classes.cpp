// Records of a core without a class image (see boot_classes.h).
#include "vm/core/memory/boot_classes.h"

#include "vm/core/memory/class_table.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"

namespace {

ClassRecord* rec(VmRef r) { return vsRef_as<ClassRecord>(r); }

// A 48-byte class record of a kind, with the kind's map.
VmRef kindRecord(VmRef header, int32_t kind) {
  VmHandle h;
  vsHandle_push(&h, header);
  const VmRef r = vsJavaHeap_allocate(kClassRecordHeadBytes);
  if (r != 0) vsClass_fillRecord(rec(r), h.object, kClassRecordHeadBytes, kind, vsRef_of(vsKind_map(kind)));
  vsHandle_close(&h);
  return r;
}

// The near shared by the objects of a kind: {class} or, for methods, {class, 0}.
bool giveNear(Root root, uint32_t nearBytes) {
  const VmRef near = vsJavaHeap_newInstanceOfSize(&vsRoot(root), nearBytes);
  if (near == 0) return false;
  vsJavaHeap_storeReference(&rec(vsRoot(root))->protoNear.raw, near);
  return true;
}

struct Internal {
  Root root;
  int32_t kind;
};

constexpr Internal kInternal[] = {
    {kRootConstantPoolClass, kKindConstantPool},   {kRootSymbolClass, kKindSymbol},
    {kRootCompiledCodeClass, kKindCompiledCode},   {kRootZipStreamClass, kKindZipStream},
    {kRootArgumentBlockClass, kKindArgumentBlock}, {kRootClassLoadingClass, kKindClassLoading},
    {kRootMonitorClass, kKindMonitor},             {kRootStackMapClass, kKindStackMap},
    {kRootClassInfoClass, kKindClassInfo},         {kRootStackChunkClass, kKindStackChunk},
    {kRootCompiler40Class, kKindCompiler40},       {kRootCompiler20Class, kKindCompiler20},
    {kRootThreadRecordClass, kKindThread},         {kRootCompiler32Class, kKindCompiler32},
};

constexpr Internal kClassifiers[] = {{kRootInstanceClassKind, kKindInstanceClass},
                                     {kRootObjectArrayClassKind, kKindObjectArrayClass},
                                     {kRootTypeArrayClassKind, kKindTypeArrayClass}};

int32_t arrayKindOfSize(int32_t size) {
  switch (size) {
    case 1:
      return kKindByteArray;
    case 2:
      return kKindCharArray;
    case 4:
      return kKindIntArray;
    default:
      return kKindLongArray;
  }
}

// An array class record with its class info and prototypical near: of a
// primitive type, or (type kTypeObject) of objects.
VmRef arrayClass(int32_t type, int32_t kind, int32_t elementSize, VmRef near) {
  VmHandle info;
  vsHandle_push(&info, vsJavaHeap_newClassInfo(0, 0, 0, true));
  VmHandle cls;
  vsHandle_push(&cls, near);
  VmRef result = 0;
  if (info.object != 0) {
    vsRef_as<ClassInfo>(info.object)->methods = static_cast<VmWord>(type);
    vsRef_as<ClassInfo>(info.object)->fields = static_cast<VmWord>(elementSize);
    const VmRef record = vsJavaHeap_allocate(kClassRecordHeadBytes);
    if (record != 0) {
      vsClass_fillRecord(rec(record), cls.object, kClassRecordHeadBytes, kind, vsRef_of(vsKind_map(kind)));
      cls.object = record;
      vsJavaHeap_storeReference(&rec(cls.object)->classInfo.raw, info.object);
      const VmRef proto = vsJavaHeap_newInstanceOfSize(&cls.object, sizeof(ObjectNear));
      if (proto != 0) {
        vsJavaHeap_storeReference(&rec(cls.object)->protoNear.raw, proto);
        result = cls.object;
      }
    }
  }
  vsHandle_close(&info);
  return result;
}

// Object becomes the superclass; the class of Object[] made before Object
// gets Object as its element and becomes Object's array class.
void attachElement(ClassRecord* cls) {
  vsJavaHeap_storeReference(&cls->superClass.raw, vsRoot(kRootObject));
  if (vsObject_kind(vsRef_of(cls)) != kKindObjectArrayClass || cls->elementOrLink != 0) return;
  vsJavaHeap_storeReference(&cls->elementOrLink, vsRoot(kRootObject));
  vsJavaHeap_storeReference(&rec(vsRoot(kRootObject))->arrayClass.raw, vsRef_of(cls));
}

// The slot of an array class: its root, or its class-table entry.
VmRef* slotOf(Root root, int32_t id) {
  return id >= 0 ? &vsRoot_as<ObjectArray>(kRootClassTable)->elements[id] : &vsRoot(root);
}

// Gives the array class a class-info record with java.lang.Object's virtual
// table, and Object as superclass.
bool attachToObject(Root root, int32_t id) {
  VmRef* at = slotOf(root, id);
  const uint32_t length = rec(vsRoot(kRootObject))->classInfo->vtableLength;
  if (rec(*at)->classInfo->vtableLength == length) {
    attachElement(rec(*at));
    return true;
  }
  const VmRef info = vsJavaHeap_newClassInfo(length, 0, 0, true);
  if (info == 0) return false;
  // The class table may have moved: find the slot again.
  at = slotOf(root, id);
  ClassInfo* to = vsRef_as<ClassInfo>(info);
  const ClassInfo* from = rec(*at)->classInfo.get();
  to->itableLength = from->itableLength;
  to->classId = from->classId;
  to->accessFlags = from->accessFlags;
  to->methods = from->methods;
  to->fields = from->fields;
  vsJavaHeap_storeReference(&to->name.raw, from->name.raw);
  const ClassInfo* object = rec(vsRoot(kRootObject))->classInfo.get();
  for (uint32_t i = 0; i < length; ++i) vsJavaHeap_storeReference(&to->vtable[i], object->vtable[i]);
  ClassRecord* cls = rec(*at);
  vsJavaHeap_storeReference(&cls->classInfo.raw, info);
  vsJavaHeap_storeReference(&cls->protoNear->classInfo.raw, info);
  attachElement(cls);
  return true;
}

}  // namespace

int32_t vsBootClasses_createKinds() {
  // K16 is its own class; K13 classifies the other internal class records.
  const VmRef k16 = kindRecord(0, kKindClassOfKind);
  if (k16 == 0) return 0;
  vsJavaHeap_storeReference(&rec(k16)->header, k16);
  vsRoot(kRootClassOfKinds) = k16;
  VmHandle k13;
  VmHandle k15;
  vsHandle_push(&k13, kindRecord(k16, kKindOneWordNear));
  vsHandle_push(&k15, kindRecord(vsRoot(kRootClassOfKinds), kKindMethodNear));
  bool ok = k13.object != 0 && k15.object != 0;
  for (const Internal& k : kInternal) {
    if (!ok) break;
    vsRoot(k.root) = kindRecord(k13.object, k.kind);
    ok = vsRoot(k.root) != 0 && giveNear(k.root, 4);
  }
  // Methods share 8-byte nears {M, 0}, measured through M's header K15.
  if (ok) {
    vsRoot(kRootMethodClass) = kindRecord(k15.object, kKindMethod);
    ok = vsRoot(kRootMethodClass) != 0 && giveNear(kRootMethodClass, 8);
  }
  // The classifiers of class records, and the kind -14 records that are the
  // nears of the class records they classify.
  for (const Internal& k : kClassifiers) {
    if (!ok) break;
    vsRoot(k.root) = kindRecord(vsRoot(kRootClassOfKinds), k.kind);
    const VmRef p = vsRoot(k.root) != 0 ? kindRecord(vsRoot(k.root), kKindNear) : 0;
    ok = p != 0;
    if (ok) vsJavaHeap_storeReference(&rec(vsRoot(k.root))->protoNear.raw, p);
  }
  // Symbols of the two encoded kinds are told apart by their own nears.
  for (Root r : {kRootFieldTypeSymbolHeader, kRootSignatureSymbolHeader}) {
    if (!ok) break;
    vsRoot(r) = vsJavaHeap_newInstanceOfSize(&vsRoot(kRootSymbolClass), 4);
    ok = vsRoot(r) != 0;
  }
  vsHandle_close(&k13);
  return ok ? 1 : 0;
}

int32_t vsBootClasses_createPrimitiveArrays() {
  for (int32_t type = kTypeBoolean; type <= kTypeLong; ++type) {
    const int32_t size = vsBasicType_byteSize(type);
    const VmRef cls = arrayClass(type, arrayKindOfSize(size), size, rec(vsRoot(kRootTypeArrayClassKind))->protoNear.raw);
    if (cls == 0) return 0;
    vsRoot(vsRoot_primitiveArray(type)) = cls;
  }
  vsRoot(kRootEmptyExceptionTable) = vsJavaHeap_newArray(&vsRoot(kRootShortArray), 0, 2);
  return vsRoot(kRootEmptyExceptionTable) != 0 ? 1 : 0;
}

int32_t vsBootClasses_createObjectArrayClass() {
  vsRoot(kRootObjectArray) = arrayClass(kTypeObject, kKindObjectArray, 4, vsClass_nearOfObjectArrayClasses());
  if (vsRoot(kRootObjectArray) == 0) return 0;
  vsRoot(kRootEmptyObjectArray) = vsJavaHeap_newArray(&vsRoot(kRootObjectArray), 0, 4);
  return vsRoot(kRootEmptyObjectArray) != 0 ? 1 : 0;
}

int32_t vsBootClasses_attachArraysToObject() {
  for (int32_t type = kTypeBoolean; type <= kTypeLong; ++type)
    if (!attachToObject(vsRoot_primitiveArray(type), -1)) return 0;
  // Object-array classes made while java.lang.Object was being loaded.
  for (uint32_t id = 0; id < vsClassTable_count(); ++id) {
    ObjectArray* table = vsRoot_as<ObjectArray>(kRootClassTable);
    if (table->elements[id] == 0 || vsObject_kind(table->elements[id]) != kKindObjectArrayClass) continue;
    if (!attachToObject(kRootClassTable, static_cast<int32_t>(id))) return 0;
  }
  return 1;
}
