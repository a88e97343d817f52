// Methods made by the loader without a class file of their own.
#pragma once

#include "vm/core/model/object_layout.h"

using VsNativeFunction = void (*)();

// A new method record with the name, signature, pool, parameter words,
// counts and holder of `method`, the native flag added, and the 8-byte body
// [229, result type, 0, 0, function]; 0 with an exception pending.
VmRef vsMethod_makeNativeCopy(const VmRef* method, VsNativeFunction function);
