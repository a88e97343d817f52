// java.lang.Class mirrors, and the step that finishes a new array class.
//
// A mirror is an instance of java.lang.Class linked both ways with its class
// record (ClassMirror in object_layout.h). Its status gets the bit "open to
// applications" (0x10) when the class name begins with "java/", or when the
// class was loaded from the class path while no class image is being built.
// Nothing is done while java.lang.Class (root 33) is not yet known.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// 1 (mirror made, or nothing to do), or 0 with an exception pending.
int32_t vsClass_createMirror(const VmRef* cls, bool fromClassPath);

// The registration step of a new array class: its two-byte type symbol
// becomes the name of its class-info record, and it gets a mirror (status
// 0). 1, or 0 with an exception pending.
int32_t vsArrayClass_register(const VmRef* arrayClass);
