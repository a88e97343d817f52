// Lookups by name: a field of a class by name and signature symbols, and
// the UTF-8 name of a class by the number natives hand out (class id + 1).
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Index of the field whose name and signature entries (indexes into the
// class's constant pool) are the given symbols; -1 when none.
int32_t vsClass_findFieldIndex(const VmRef* cls, VmRef name, VmRef signature);
// The name bytes of class id n - 1 and their length; null and 0 when there
// is no such class or it has no name.
const uint8_t* vsClass_nameUtf8ById(uint32_t n, int32_t* length);
