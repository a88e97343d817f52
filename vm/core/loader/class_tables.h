// Hash tables of classes by name.
//
// The class tables are a VM variable: an array of tables searched in order
// up to the first empty element (the image's tables, then the table of
// loaded classes, which is a VM variable of its own too). A table is an
// Object[] of bucket heads; a class's bucket is its name's symbol hash mod
// the table length, and the classes of a bucket are chained through word 12
// of their class records, newest first:
//
//   table[h % n] -> class -> class -> 0        (ClassRecord::elementOrLink)
//
// Names are symbols, so they compare by identity. A stub (class-info bit
// 0x20000000) stands for a class known only by name until the real class of
// that name replaces it; the real class then takes over the stub's class id
// and array class. The collector visits every table of the variable.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"

inline constexpr int kMaxClassTables = 4;

struct ClassTables {
  VmRef searched[kMaxClassTables];  // in search order, 0 after the last
  VmRef loaded;                     // where new classes go
};

extern VmVariable<ClassTables> vsClassTables;

// Creates the table of loaded classes with `buckets` buckets and appends it
// to the searched tables: 1, or 0 with an exception pending.
int32_t vsClassTables_createLoaded(int32_t buckets);

VmRef vsBucket_get(VmRef table, uint32_t hash);
void vsBucket_set(VmRef table, uint32_t hash, VmRef cls);

// Searches the tables for the lookup's name. A match is taken at once when
// any class is acceptable, when it is not a stub, or when the lookup asks
// for a stub; a stub otherwise does not end the search. Without a match:
// 0, after raising the class-not-found exception unless noThrow.
VmRef vsClass_find(ClassLookup* lookup, bool acceptAny, bool noThrow);
// The loaded class of this name unless it is a stub, else 0.
VmRef vsClass_findLoaded(VmRef name);

// Links the class at the head of its bucket in the loaded-class table;
// unless the lookup asked for a stub, a class of the same name found there
// first is unlinked and replaced by it.
void vsClass_addToTable(ClassLookup* lookup, const VmRef* cls);
// The new class (the class registered last) takes over the old class's id
// and array class; its methods get that id.
void vsClass_replace(const VmRef* newClass, const VmRef* oldClass);
// A stub of the lookup's name, added to the table: the class, or 0 with an
// exception pending.
VmRef vsClass_createStub(ClassLookup* lookup);
