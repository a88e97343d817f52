// Class ids and the creation of class records.
//
// The class table (root 48) is an Object[] indexed by class id; the count of
// ids in use is a VM variable, and the VM globals keep a pointer to element 0
// for the interpreter, refreshed whenever the table is replaced. At most
// 16383 ids exist.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

inline constexpr uint32_t kMaxClassIds = 16383;
inline constexpr int32_t kClassTableGrowth = 20;

uint32_t vsClassTable_count();
// Sets the count (image loading) and points the VM globals at the table.
void vsClassTable_setCount(uint32_t count);
// Points the class-table word of the VM globals at element 0 of root 48.
void vsClassTable_refresh();

// Makes room for one more id: OutOfMemoryError once 16383 ids exist; a full
// table is replaced by one 20 elements longer. 1, or 0 with it pending.
int32_t vsJavaHeap_reserveClassId();
// Gives the class the next id and stores it in the table.
void vsJavaHeap_registerClass(const VmRef* cls);
// The class registered last takes the id of an earlier class of its name.
void vsJavaHeap_replaceLastClass(const VmRef* newClass, const VmRef* oldClass);

// The records of a loaded class, from the sizes the loader computes:
//   a  virtual-table length          d  static-field bytes
//   b  extra class-info bytes        e  oop-map bytes
//   c  class-info item 3             f  instance size (below 32768)
// a to e must be below 0x10000. The class gets an id; 0 with
// OutOfMemoryError pending when a size is out of range or memory is short.
VmRef vsJavaHeap_newInstanceClass(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e,
                                  uint32_t f);
// The object-array class of an element class (registered when a class
// table exists); its virtual table is java.lang.Object's.
VmRef vsJavaHeap_newArrayClass(const VmRef* elementClass);
