// Class ids and class records (see class_table.h).
#include "vm/core/memory/class_table.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"

namespace {

VS_VMBSS(uint32_t) gClassCount;

ObjectArray* table() { return vsRoot_as<ObjectArray>(kRootClassTable); }

VmRef failOutOfMemory() {
  vsException_throwOutOfMemoryError();
  return 0;
}

// A class record of `size` bytes with its header, size, kind and map word.
VmRef newClassRecord(uint32_t size, VmRef near, int32_t kind, VmWord oopMap) {
  if (size > 0xffff) return failOutOfMemory();
  const VmRef record = vsJavaHeap_allocate(size);
  if (record != 0) vsClass_fillRecord(vsRef_as<ClassRecord>(record), near, size, kind, oopMap);
  return record;
}

// Links class record, class info and a new prototypical near; registers the
// class when asked. The class stays in `cls`.
bool finishClass(VmHandle* cls, const VmHandle* info, bool registerIt) {
  ClassRecord* record = vsRef_as<ClassRecord>(cls->object);
  vsJavaHeap_storeReference(&record->classInfo.raw, info->object);
  const VmRef near = vsJavaHeap_newInstanceOfSize(&cls->object, sizeof(ObjectNear));
  if (near == 0) return false;
  record = vsRef_as<ClassRecord>(cls->object);
  vsJavaHeap_storeReference(&record->protoNear.raw, near);
  if (registerIt) vsJavaHeap_registerClass(&cls->object);
  return true;
}

}  // namespace

uint32_t vsClassTable_count() { return gClassCount; }

void vsClassTable_setCount(uint32_t count) {
  gClassCount = count;
  vsClassTable_refresh();
}

void vsClassTable_refresh() {
  const VmRef t = vsRoot(kRootClassTable);
  vsVmGlobals.classTable = t == 0 ? 0 : t + kArrayElementsOffset;
}

int32_t vsJavaHeap_reserveClassId() {
  if (gClassCount >= kMaxClassIds) {
    failOutOfMemory();
    return 0;
  }
  const int32_t length = table()->length;
  if (gClassCount < static_cast<uint32_t>(length)) return 1;
  // The image builder sizes its table itself; never store past the end.
  if (vsVmState().buildingImage != 0) {
    failOutOfMemory();
    return 0;
  }
  const VmRef bigger = vsJavaHeap_newObjectArray(length + kClassTableGrowth);
  if (bigger == 0) return 0;
  ObjectArray* to = vsRef_as<ObjectArray>(bigger);
  const ObjectArray* from = table();
  std::memcpy(to->elements, from->elements, static_cast<size_t>(length) * 4);
  vsGC_setBitRange(vsRef_of(to->elements), length);
  vsRoot(kRootClassTable) = bigger;
  vsClassTable_refresh();
  return 1;
}

void vsJavaHeap_registerClass(const VmRef* cls) {
  const uint32_t id = gClassCount;
  vsJavaHeap_storeReference(&table()->elements[id], *cls);
  vsRef_as<ClassRecord>(*cls)->classInfo->classId = static_cast<uint16_t>(id);
  gClassCount = id + 1;
}

void vsJavaHeap_replaceLastClass(const VmRef* newClass, const VmRef* oldClass) {
  --gClassCount;
  table()->elements[gClassCount] = 0;
  const uint16_t oldId = vsClass_id(vsRef_as<ClassRecord>(*oldClass));
  vsJavaHeap_storeReference(&table()->elements[oldId], *newClass);
  vsRef_as<ClassRecord>(*newClass)->classInfo->classId = oldId;
}

VmRef vsJavaHeap_newInstanceClass(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e,
                                  uint32_t f) {
  if (a >= 0x10000 || b >= 0x10000 || c >= 0x10000 || d >= 0x10000 || e >= 0x10000 || f >= 32768)
    return failOutOfMemory();
  if (vsJavaHeap_reserveClassId() == 0) return 0;
  VmHandle info;
  VmHandle cls;
  vsHandle_push(&info, vsJavaHeap_newClassInfo(a, c, b, false));
  vsHandle_pushEmpty(&cls);
  VmRef result = 0;
  if (info.object != 0) {
    cls.object = newClassRecord((d + e + 51) & ~uint32_t{3}, vsClass_nearOfInstanceClasses(),
                                static_cast<int32_t>(f), (d + 51) & ~uint32_t{3});
    if (cls.object != 0 && finishClass(&cls, &info, true)) result = cls.object;
  }
  vsHandle_close(&info);
  return result;
}

VmRef vsJavaHeap_newArrayClass(const VmRef* elementClass) {
  const bool registerIt = vsRoot(kRootClassTable) != 0;
  if (registerIt && vsJavaHeap_reserveClassId() == 0) return 0;
  const ClassRecord* object = vsRoot_as<ClassRecord>(kRootObject);
  const uint32_t vtableLength = object != nullptr ? object->classInfo->vtableLength : 0;
  VmHandle info;
  VmHandle cls;
  vsHandle_push(&info, vsJavaHeap_newClassInfo(vtableLength, 0, 0, true));
  vsHandle_pushEmpty(&cls);
  VmRef result = 0;
  if (info.object != 0) {
    ClassInfo* ci = vsRef_as<ClassInfo>(info.object);
    for (uint32_t i = 0; i < vtableLength; ++i)
      vsJavaHeap_storeReference(&ci->vtable[i], vsRoot_as<ClassRecord>(kRootObject)->classInfo->vtable[i]);
    const bool elementIsArray = vsClass_isArrayClass(vsRef_as<ClassRecord>(*elementClass));
    ci->methods = elementIsArray ? kTypeArray : kTypeObject;
    ci->fields = 4;
    cls.object = newClassRecord(kClassRecordHeadBytes, vsClass_nearOfObjectArrayClasses(),
                                kKindObjectArray, vsRef_of(vsKind_map(kKindObjectArray)));
    if (cls.object != 0) {
      ClassRecord* record = vsRef_as<ClassRecord>(cls.object);
      vsJavaHeap_storeReference(&record->superClass.raw, vsRoot(kRootObject));
      vsJavaHeap_storeReference(&record->elementOrLink, *elementClass);
      if (finishClass(&cls, &info, registerIt)) result = cls.object;
    }
  }
  vsHandle_close(&info);
  return result;
}
