// The UTF-8 name of a class by the number natives hand out (class id + 1).
// Fields are looked up by name and signature with vsField_find
// (vm/core/loader/field_descriptors.h).
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// The name bytes of class id n - 1 and their length; null and 0 when there
// is no such class or it has no name.
const uint8_t* vsClass_nameUtf8ById(uint32_t n, int32_t* length);
