// Resolution of method and interface-method entries of a constant pool, per
// invoke kind, with the access and link checks of a call.
//
// A method reference (tag 10) becomes one of:
//
//   27      bound directly     the method record (a method of a final
//                              class; a final, static or constructor method)
//   28..38  vtable call        class id << 16 | vtable index, tag 24 + the
//                              basic type of the result (14 void)
//
// an interface-method reference (tag 11) one of:
//
//   39..49  interface call     interface id << 16 | index of the method in
//                              that interface's method array, tag 35 + the
//                              result type
//   50      redirected to a vtable call (a method of the root class)
//   51      redirected to a direct call
//
// An entry once resolved answers at once. A failed resolution changes no
// entry and leaves the link error pending (91 bad entry, 94 no access, 98
// static against instance on invokespecial or invokestatic, 99 the wrong
// invoke for the class or the method, 136 no such method, or a constructor
// named through a class other than its own). The pool and the accessing
// class are GC handles: resolution may load classes.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Finds the method of reference `index` in its class and the superclasses
// and checks that `accessing` may call it. The method, with its name,
// signature and the referenced class; 0 with error 91, 136 or 94 (or the
// loader's error) pending.
MethodRecord* vsConstantPool_lookupMethod(const VmRef* pool, const VmRef* accessing, uint32_t index, VmRef* name,
                                          VmRef* signature, ClassRecord** cls);
// Writes the entry of a method found through class `cls`: 1 when bound
// directly (tag 27), 0 when written as a vtable call.
int32_t vsConstantPool_bindMethod(const VmRef* pool, uint32_t index, const ClassRecord* cls,
                                  const MethodRecord* method);

// The three invokes of a class's method: 1 bound directly, 0 a vtable call
// (or a failure, with the error pending).
int32_t vsConstantPool_resolveSpecialMethod(const VmRef* pool, const VmRef* accessing, uint32_t index);
int32_t vsConstantPool_resolveVirtualMethod(const VmRef* pool, const VmRef* accessing, uint32_t index);
// invokestatic binds directly; the answer is whether the holder class is
// initialised already (0 also after a failure, with the error pending).
// Initialising it is the caller's step.
int32_t vsConstantPool_resolveStaticMethod(const VmRef* pool, const VmRef* accessing, uint32_t index);
// invokeinterface; the entry's tag tells the outcome.
void vsConstantPool_resolveInterfaceMethod(const VmRef* pool, const VmRef* accessing, uint32_t index);
// The resolution an invoke instruction asks of its entry (invokevirtual,
// invokespecial, invokestatic or invokeinterface), shared by the run time
// and the romizer; a failure leaves its error pending.
void vsConstantPool_resolveInvoke(const VmRef* pool, const VmRef* accessing, uint32_t index, uint8_t opcode);

// Access to a method: public, or of the accessing class itself; else not
// private and of the same package; else protected, the accessing class a
// subclass of the holder and the referenced class the accessing class, a
// subclass or a superclass of it.
bool vsMember_isAccessible(const MethodRecord* member, const ClassRecord* accessing, const ClassRecord* referenced);
// The same, passing at once when the accessing class waives access checks;
// a denial raises error 94 (form 1) or IllegalAccessException 137.
bool vsMember_checkAccess(const MethodRecord* member, const ClassRecord* accessing, const ClassRecord* referenced,
                          int32_t form);
