// The romizer's pass that binds every method without code of the image to
// a function of the VM program (romizer_bindNatives, romizer_model.h).
//
// A native that a class file declares is bound
//   - to vsNative_intrinsicBody when it is one of the eleven methods that the
//     interpreter enters through an intrinsic entry (Math sin, cos, tan,
//     sqrt, ceil, floor; Float floatToIntBits, intBitsToFloat; Double
//     doubleToLongBits, longBitsToDouble; String.indexOf(II)I);
//   - to vsNative_unboundBody when the unbound list names it (its function
//     has not landed yet); the model's unboundNatives lists it;
//   - in the direct-entry form when the binding table names it: code length
//     0, the function in item 8 (the max-stack and max-locals halves), and
//     the native-direct entry of its result (void; a one-word int, boolean,
//     byte, char or short; a reference) in the word its entry pointer names;
//   - otherwise in the bytecode form [229, result type, 0, 0, function].
// The function of a native is Java_<mangled class>_<mangled name>
// (jni_names.h), with the argument descriptor when its class declares more
// than one native of that name. Abstract methods, interface methods
// included, are bound to vsNative_abstractBody; the methods the loader made
// (missing or non-public interface methods) keep their bodies. A class's
// finalizer word gets the function of its native finalize()V.
//
// No function address is stored: each word that holds one is named in the
// model's symbolWords, and the writer emits the symbol there. A list entry
// that names no native of the input, a listed finalizer or intrinsic method,
// a direct binding of a float, long or double result, a finalizer that is
// not native, and a method body of no known function end the romizer.
//
// romizer_bindNatives is declared in romizer_model.h, beside the other
// passes; its two lists are file paths (native_list.h gives their format).
#pragma once

#include "tools/romizer/romizer_model.h"
