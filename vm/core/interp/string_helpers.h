// Helpers over java.lang.String objects {header, value, offset, count}: the
// characters are count UTF-16 units of the char[] value from index offset.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Same characters (not identity); null equals only null.
bool vsString_equals(VmRef a, VmRef b);
// h = 31 * h + c over the characters (32-bit wrap-around).
int32_t vsString_hashCode(VmRef string);

// The parts of the String between ';' separators, empty parts skipped, as a
// new String[] whose Strings share the String's characters; 0 with an
// exception pending when an allocation fails.
VmRef vsString_splitPath(const VmRef* string);
