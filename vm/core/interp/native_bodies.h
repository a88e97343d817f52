// The bodies that the class-file parser gives methods without code: the
// 8-byte body [229, result type, 0, 0, function] of a native or abstract
// method calls one of these until the method is bound to its own function.
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
void vsNative_abstractBody();
// Raises java/lang/Error with the name of the running native method.
void vsNative_unboundBody();
// The bodies of the methods that the interface table of a concrete class
// gets for an interface method it does not implement (or implements with a
// static method) and for one it implements with a non-public method: they
// raise java/lang/Error " 99" and " 94".
void vsNative_interfaceMethodMissingBody();
void vsNative_interfaceMethodNotPublicBody();
