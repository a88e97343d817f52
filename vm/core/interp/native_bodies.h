// The bodies that the class-file parser gives methods without code: the
// 8-byte body [229, result type, 0, 0, function] of a native or abstract
// method calls one of these until the method is bound to its own function.
// The class image names them by symbol, so they have C linkage.
//
// A native of this form runs in an interpreter frame of its own; the call
// stub sets the pop pointer to that frame's frame pointer + 8, and the frame
// holds the method one word below its frame pointer:
//
//   pop pointer - 8 -> | caller's frame pointer |  <- frame pointer
//   pop pointer - 12-> | method                 |
#pragma once

#include "ce/substrate/vm_sections.h"
#include "ce/substrate/vm_word.h"

// Where the running native's frame is (set by the native call stubs).
extern VmVariable<VmWord> vsNative_popPointer;

// Raises java/lang/Error " 106".
extern "C" void vsNative_abstractBody();
// Raises java/lang/Error with the name of the running native method.
extern "C" void vsNative_unboundBody();
// The body of the methods that the interpreter enters through an intrinsic
// entry of their own (Math sin, cos, tan, sqrt, ceil and floor, the bit
// conversions of Float and Double, String.indexOf(II)I); reached only
// through a native call that should not happen, it raises java/lang/Error
// with the name of the running method.
extern "C" void vsNative_intrinsicBody();
// The bodies of the methods that the interface table of a concrete class
// gets for an interface method it does not implement (or implements with a
// static method) and for one it implements with a non-public method: they
// raise java/lang/Error " 99" and " 94".
extern "C" void vsNative_interfaceMethodMissingBody();
extern "C" void vsNative_interfaceMethodNotPublicBody();
