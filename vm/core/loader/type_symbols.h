// Type symbols: the encoded field types (descriptors.h) as interned symbols,
// and what the loader and the verifier read from them (the class symbol of
// a class and the basic type of a symbol are in descriptors.h).
#pragma once

#include <cstdint>

#include "vm/core/model/descriptors.h"
#include "vm/core/model/object_layout.h"

// The type symbol of a field descriptor: one primitive letter (V refused),
// or exactly one class or array type. 0 with VM error 54 pending.
VmRef vsType_symbolFromDescriptor(const uint8_t* bytes, int32_t length);
// The same for the bytes of a byte array.
VmRef vsType_symbolFromByteArray(const VmRef* array);
// The same for the bytes of a name symbol (copied into a byte array first).
VmRef vsType_symbolFromName(const VmRef* name);
// The symbol of a primitive letter B C D F I J S Z; any other character
// raises VM error 54.
VmRef vsType_primitiveSymbol(int32_t letter);

// The array class of an encoded array type, else 0.
VmRef vsType_arrayClassOf(VmRef typeSymbol);
// The byte size of the type (1, 2, 4 or 8), rounded up to 4 when asked.
int32_t vsType_fieldSize(VmRef typeSymbol, bool roundToWord);
// The name of the type's class, or 0 for a primitive type.
VmRef vsType_classNameOf(VmRef typeSymbol);
