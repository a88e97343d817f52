// The romizer's pass that links the image's code before it is written
// (romizer_prelink, declared with the other passes in romizer_model.h).
//
// For every class of the model, in class-id order, and every method with
// bytecode, in method order, each instruction that names a pool entry has
// the entry resolved by the resolution the VM runs at run time, with the
// class as the accessing class:
//
//   ldc, ldc_w             string entries (tag 8, the interned String)
//   get/putstatic, get/putfield             field entries (17 .. 26)
//   invokevirtual, -special, -static        method entries (27, 28 .. 38)
//   invokeinterface        interface-method entries (39 .. 51)
//   new, anewarray, checkcast, instanceof, multianewarray, catch types
//                          class entries (7)
//
// A member entry shared by several classes is resolved afresh for each use,
// so that the access and link checks run for every referencing class; the
// result does not depend on the referencing class. Then every slow opcode
// becomes its fast form by the one quickening rule, as for code of the
// image: getstatic, putstatic, invokestatic and new stay slow, and the
// two-byte and inot forms are never produced. An invokeinterface turned
// into a virtual or direct call gets nops for its count and zero bytes.
// Class and string entries that no code names are resolved at the end.
//
// Every class then waives access checks (class-info bit 0x10000000), and
// every method with bytecode gets its entry: a simple getter of a field
// below byte 32768 its accessor entry, a method of the intrinsic table its
// intrinsic entry, both in its own item 5; any other method a slot of the
// method-entry table (model.entrySlots, in class-id then method order) with
// its interpreted kind. Natives and abstract methods are left to the
// natives' pass, unless they are intrinsics.
//
// A failure ends the romizer through romizer_fail, naming the referencing
// class and method, the member and the VM's error.
#pragma once

#include "tools/romizer/romizer_model.h"
