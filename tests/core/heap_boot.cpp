// Heap bootstrap of the tests (see heap_boot.h).
#include "tests/core/heap_boot.h"

#include <cstring>

#include "ce/substrate/low_memory.h"
#include "ce/substrate/vm_sections.h"
#include "tests/core/exception_double.h"
#include "vm/core/interp/stack_trace.h"
#include "vm/core/memory/boot_classes.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/startup/memory_split.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"

namespace {

// The VM variables as the program loaded them; restored before each boot,
// as the start-up's section reset does before each run.
std::vector<uint8_t> gVmData;
void* gArea = nullptr;

void resetVmVariables() {
  const VmSectionBounds b = vsSections_bounds();
  if (gVmData.empty()) gVmData.assign(b.dataStart, b.dataEnd);
  std::memcpy(b.dataStart, gVmData.data(), gVmData.size());
  std::memset(b.bssStart, 0, static_cast<size_t>(b.bssEnd - b.bssStart));
}

ClassRecord* rec(VmRef r) { return vsRef_as<ClassRecord>(r); }

void giveMirror(VmRef cls) {
  if (vsRoot(kRootClass) == 0) return;
  VmHandle c;
  vsHandle_push(&c, cls);
  const VmRef mirror = vsJavaHeap_newInstance(&vsRoot(kRootClass), sizeof(ClassMirror));
  vsJavaHeap_storeReference(&vsRef_as<ClassMirror>(mirror)->classRecord.raw, c.object);
  vsJavaHeap_storeReference(&rec(c.object)->mirror.raw, mirror);
  vsHandle_close(&c);
}

// A class record with its class info and prototypical near, not registered.
VmRef classByHand(VmRef near, uint32_t recordSize, int32_t kind, VmWord oopMap, bool isArray) {
  VmHandle info;
  vsHandle_push(&info, vsJavaHeap_newClassInfo(0, 0, 0, isArray));
  VmHandle cls;
  vsHandle_push(&cls, vsJavaHeap_allocate(recordSize));
  vsClass_fillRecord(rec(cls.object), near, recordSize, kind, oopMap);
  vsJavaHeap_storeReference(&rec(cls.object)->classInfo.raw, info.object);
  vsJavaHeap_storeReference(&rec(cls.object)->protoNear.raw,
                            vsJavaHeap_newInstanceOfSize(&cls.object, sizeof(ObjectNear)));
  const VmRef result = cls.object;
  vsHandle_close(&info);
  return result;
}

void setName(VmRef cls, const char* name) {
  VmHandle c;
  vsHandle_push(&c, cls);
  const VmRef symbol = vsSymbol_fromCString(name, false);
  vsJavaHeap_storeReference(&rec(c.object)->classInfo->name.raw, symbol);
  vsHandle_close(&c);
}

// Writes an instance class's oop map: the instance map, then an empty
// static map, behind the record's statics.
void writeMaps(VmRef cls, const std::vector<uint8_t>& instanceMap) {
  uint8_t* map = vsRef_as<uint8_t>(cls) + rec(cls)->oopMap;
  for (size_t i = 0; i < instanceMap.size(); ++i) map[i] = instanceMap[i];
  map[instanceMap.size()] = 0;
  map[instanceMap.size() + 1] = 0;
}

VmRef instanceClassByHand(uint32_t instanceSize, const std::vector<uint8_t>& map) {
  const uint32_t recordSize = (0 + static_cast<uint32_t>(map.size()) + 2 + 51) & ~uint32_t{3};
  const VmRef cls = classByHand(vsClass_nearOfInstanceClasses(), recordSize, static_cast<int32_t>(instanceSize),
                                (0 + 51) & ~uint32_t{3}, false);
  writeMaps(cls, map);
  return cls;
}

// False when a class id other than 1 came (the table was not empty).
bool registerAll(const std::vector<Root>& roots) {
  for (Root r : roots) {
    if (vsJavaHeap_reserveClassId() != 1) return false;
    vsJavaHeap_registerClass(&vsRoot(r));
  }
  return true;
}

bool buildCoreClasses() {
  if (vsBootClasses_createPrimitiveArrays() != 1) return false;
  vsRoot(kRootObject) = instanceClassByHand(4, {});
  if (vsBootClasses_attachArraysToObject() != 1) return false;
  vsRoot(kRootObjectArray) = vsJavaHeap_newArrayClass(&vsRoot(kRootObject));
  vsJavaHeap_storeReference(&rec(vsRoot(kRootObject))->arrayClass.raw, vsRoot(kRootObjectArray));
  vsRoot(kRootEmptyObjectArray) = vsJavaHeap_newArray(&vsRoot(kRootObjectArray), 0, 4);
  vsRoot(kRootClassTable) = vsJavaHeap_newArray(&vsRoot(kRootObjectArray), kTestClassTableLength, 4);
  vsClassTable_setCount(0);
  if (!registerAll({kRootObject, kRootBooleanArray, kRootCharArray, kRootFloatArray, kRootDoubleArray,
                    kRootByteArray, kRootShortArray, kRootIntArray, kRootLongArray, kRootObjectArray}))
    return false;

  vsRoot(kRootSymbolTable) = vsJavaHeap_newObjectArray(kSymbolTableInitialLength);
  vsRoot(kRootInternTable) = vsJavaHeap_newObjectArray(kInternTableInitialLength);

  // java.lang.String {value, offset, count}: one reference at word 1.
  vsRoot(kRootString) = vsJavaHeap_newInstanceClass(0, 0, 0, 0, 3, kStringInstanceBytes);
  writeMaps(vsRoot(kRootString), {1});
  vsRoot(kRootClass) = vsJavaHeap_newInstanceClass(0, 0, 0, 0, 3, sizeof(ClassMirror));
  writeMaps(vsRoot(kRootClass), {1});
  for (Root r : {kRootString, kRootClass})
    vsJavaHeap_storeReference(&rec(vsRoot(r))->superClass.raw, vsRoot(kRootObject));

  // A Throwable: detail message and backtrace.
  const VmRef oomClass = vsJavaHeap_newInstanceClass(0, 0, 0, 0, 3, sizeof(ThrowableObject));
  writeMaps(oomClass, {1, 2});
  vsJavaHeap_storeReference(&rec(oomClass)->superClass.raw, vsRoot(kRootObject));
  VmHandle oom;
  vsHandle_push(&oom, oomClass);
  vsRoot(kRootOutOfMemoryError) = vsJavaHeap_newFinalizableInstance(&oom.object);

  static const char* const kNames[] = {"java/lang/Object", "[Z", "[C", "[F", "[D", "[B", "[S", "[I", "[J",
                                        "[Ljava/lang/Object;"};
  const Root kNamed[] = {kRootObject, kRootBooleanArray, kRootCharArray, kRootFloatArray, kRootDoubleArray,
                         kRootByteArray, kRootShortArray, kRootIntArray, kRootLongArray, kRootObjectArray};
  for (size_t i = 0; i < sizeof(kNamed) / sizeof(kNamed[0]); ++i) setName(vsRoot(kNamed[i]), kNames[i]);
  setName(vsRoot(kRootString), "java/lang/String");
  setName(vsRoot(kRootClass), "java/lang/Class");
  setName(oom.object, "java/lang/OutOfMemoryError");
  for (Root r : kNamed) giveMirror(vsRoot(r));
  for (Root r : {kRootString, kRootClass}) giveMirror(vsRoot(r));
  giveMirror(oom.object);
  vsHandle_close(&oom);

  vsTestException_setMarker(vsJavaHeap_newFinalizableInstance(&vsRoot(kRootObject)));
  return true;
}

}  // namespace

bool vsTestHeap_boot(uint32_t heapMin, uint32_t heapCapacity) {
  resetVmVariables();
  vsTestException_clear();
  const uint32_t area = heapCapacity + heapCapacity / 8 + 65536;
  gArea = vsLow_alloc(area);
  if (gArea == nullptr) return false;
  vsVm_sizeHeap({vsWord_fromPointer(gArea), area}, 0, 0);
  vsVmFlags().HeapMin = static_cast<int32_t>(heapMin);
  vsVmFlags().HeapCapacity = static_cast<int32_t>(heapCapacity);
  vsVmState().startupPhase = 1;
  if (vsJavaHeap_setup(0, 0) != 1 || vsBootClasses_createKinds() != 1) return false;
  const bool built = buildCoreClasses();
  vsVmState().startupPhase = 0;
  return built && !vsException_isPending();
}

void vsTestHeap_shutdown() {
  vsJavaHeap_reset();
  vsTestException_setMarker(0);
  vsLow_free(gArea);
  gArea = nullptr;
}

VmWord vsTestHeap_top() { return vsVmGlobals.allocationTop; }

void vsTestHeap_dropAbove(VmWord top) { vsVmGlobals.allocationTop = top; }

VmRef vsTestHeap_newClass(const char* name, VmRef super, uint32_t instanceSize, bool isInterface) {
  VmHandle s;
  vsHandle_push(&s, super);
  VmHandle cls;
  vsHandle_push(&cls, vsJavaHeap_newInstanceClass(0, 0, 0, 0, 2, instanceSize));
  writeMaps(cls.object, {});
  vsJavaHeap_storeReference(&rec(cls.object)->superClass.raw, s.object);
  if (isInterface) rec(cls.object)->classInfo->accessFlags |= kClassInterface;
  setName(cls.object, name);
  giveMirror(cls.object);
  const VmRef result = cls.object;
  vsHandle_close(&s);
  return result;
}

void vsTestHeap_setInterfaces(VmRef cls, const std::vector<VmRef>& interfaces) {
  VmHandle c;
  vsHandle_push(&c, cls);
  const VmRef ids = vsJavaHeap_newShortArray(static_cast<int32_t>(interfaces.size()));
  for (size_t i = 0; i < interfaces.size(); ++i)
    vsRef_as<ShortArray>(ids)->elements[i] = static_cast<int16_t>(vsClass_id(rec(interfaces[i])));
  vsJavaHeap_storeReference(&rec(c.object)->classInfo->localInterfaces, ids);
  vsHandle_close(&c);
}
