// Hash tables of classes by name (see class_tables.h).
#include "vm/core/loader/class_tables.h"

#include "vm/core/interp/vm_errors.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/symbols.h"
#include "vm/core/startup/vm_control.h"

VS_VMBSS(ClassTables) vsClassTables{};

namespace {

ClassRecord* rec(VmRef r) { return vsRef_as<ClassRecord>(r); }

uint32_t hashOf(VmRef name) {
  const VmSymbol* s = vsRef_as<VmSymbol>(name);
  return vsSymbol_hash(s->bytes, s->length);
}

VmRef nameOf(VmRef cls) { return rec(cls)->classInfo->name.raw; }

VmRef* bucketSlot(VmRef table, uint32_t hash) {
  ObjectArray* t = vsRef_as<ObjectArray>(table);
  return &t->elements[hash % static_cast<uint32_t>(t->length)];
}

}  // namespace

int32_t vsClassTables_createLoaded(int32_t buckets) {
  const VmRef table = vsJavaHeap_newObjectArray(buckets);
  if (table == 0) return 0;
  vsClassTables.loaded = table;
  for (VmRef& t : vsClassTables.searched) {
    if (t != 0) continue;
    t = table;
    break;
  }
  return 1;
}

VmRef vsBucket_get(VmRef table, uint32_t hash) { return *bucketSlot(table, hash); }

void vsBucket_set(VmRef table, uint32_t hash, VmRef cls) { vsJavaHeap_storeReference(bucketSlot(table, hash), cls); }

VmRef vsClass_find(ClassLookup* lookup, bool acceptAny, bool noThrow) {
  const VmRef name = *lookup->name.get();
  const uint32_t hash = hashOf(name);
  for (VmRef table : vsClassTables.searched) {
    if (table == 0) break;
    for (VmRef cls = vsBucket_get(table, hash); cls != 0; cls = rec(cls)->elementOrLink) {
      if (nameOf(cls) != name) continue;
      if (acceptAny || !vsClass_isStub(rec(cls)) || lookup->stub != 0) return cls;
    }
  }
  if (!noThrow) vsClass_throwNotFound(lookup);
  return 0;
}

VmRef vsClass_findLoaded(VmRef name) {
  VmRef held = name;
  ClassLookup lookup;
  vsClassLookup_init(&lookup, &held, 1, 0, 0);
  return vsClass_find(&lookup, false, true);
}

void vsClass_addToTable(ClassLookup* lookup, const VmRef* cls) {
  const VmRef table = vsClassTables.loaded;
  const uint32_t hash = hashOf(nameOf(*cls));
  if (lookup->stub == 0) {
    VmRef* link = bucketSlot(table, hash);
    for (VmRef old = *link; old != 0; link = &rec(old)->elementOrLink, old = *link) {
      if (old == *cls || nameOf(old) != nameOf(*cls)) continue;
      vsJavaHeap_storeReference(link, rec(old)->elementOrLink);
      VmRef held = old;
      vsClass_replace(cls, &held);
      break;
    }
  }
  vsJavaHeap_storeReference(&rec(*cls)->elementOrLink, vsBucket_get(table, hash));
  vsBucket_set(table, hash, *cls);
}

void vsClass_replace(const VmRef* newClass, const VmRef* oldClass) {
  ClassRecord* fresh = rec(*newClass);
  ClassRecord* old = rec(*oldClass);
  // Only the class registered last can give its id back.
  if (vsClass_id(fresh) + 1u != vsClassTable_count()) vsVm_fatalErrorCode(kFatalInconsistency);
  vsJavaHeap_replaceLastClass(newClass, oldClass);
  const VmRef array = old->arrayClass.raw;
  if (array != 0) {
    vsJavaHeap_storeReference(&fresh->arrayClass.raw, array);
    vsJavaHeap_storeReference(&rec(array)->elementOrLink, *newClass);
  }
  const VmRef methods = vsClass_methods(fresh);
  if (methods == 0) return;
  const ObjectArray* list = vsRef_as<ObjectArray>(methods);
  const uint16_t id = vsClass_id(fresh);
  for (int32_t i = 0; i < list->length; ++i)
    if (list->elements[i] != 0) vsRef_as<MethodRecord>(list->elements[i])->classId = id;
}

VmRef vsClass_createStub(ClassLookup* lookup) {
  VmHandle cls;
  vsHandle_push(&cls, vsJavaHeap_newInstanceClass(0, 0, 0, 0, 2, 4));
  VmRef result = 0;
  if (cls.object != 0) {
    ClassInfo* info = rec(cls.object)->classInfo.get();
    info->accessFlags |= kClassStub;
    vsJavaHeap_storeReference(&info->name.raw, *lookup->name.get());
    ClassLookup asStub = *lookup;
    asStub.stub = 1;
    vsClass_addToTable(&asStub, &cls.object);
    result = cls.object;
  }
  vsHandle_close(&cls);
  return result;
}

void vsClassTables_visitRoots(VsWordVisitor fn, void* context) {
  ClassTables& tables = vsClassTables;
  for (VmRef& table : tables.searched) fn(&table, context);
  fn(&tables.loaded, context);
}
