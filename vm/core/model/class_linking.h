// The link steps that build a class's tables while it is loaded.
//
// Virtual table. The table starts as a copy of the superclass's table. Then,
// for each method in order: static methods and initializers get no entry; a
// final method, or any method of a final class, needs no new entry, any
// other method needs one unless it overrides. A method overrides an entry of
// the superclass's table with its name and signature, unless the method is
// private or the entry's method is private, or package private in another
// package; it takes over the index of every entry it overrides. It still
// needs a new entry unless one of those indexes is reachable as public or
// protected and the method is public or protected, or is reachable only as
// package private and the method is package private and of the package of
// the class that declares the entry. (An index is reachable as public or
// protected when the entry at that index in the superclass, or any class
// above it, is public or protected; as package private when one is package
// private.) New entries follow the inherited ones.
//
// Interface table (classes that are not interfaces), behind the virtual
// table in the class-info record:
//
//   | vtable ... | id0 off0 | id1 off1 | ... | methods of id0 | methods of id1 |
//                 ^ the interfaces of the superclass's table, then those of
//                   the class's own list that the superclass lacks
//
// offN is the byte offset of interface N's method table in the record. Slot
// i of a method table holds the class's implementation of method i of the
// interface: for an abstract class the method found (or null); for a
// concrete class a generated method raising VM error 99 when none is found
// or it is static, and one raising 94 when it is not public.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// The number of new virtual-table entries the methods need.
uint32_t vsClass_countVirtualEntries(const ClassRecord* super, VmRef methods, VmRef className, bool finalClass);
// Fills the virtual table of a created class from its superclass's table
// and its methods.
void vsClass_fillVirtualTable(ClassRecord* cls);

// The interfaces of the table and its size in words (2 per interface plus
// their method counts).
uint32_t vsClass_interfaceTableWords(const ClassRecord* super, VmRef interfaceList, uint32_t* interfaceCount);
// Fills the interface table of a created class: 1, or 0 with an exception
// pending.
int32_t vsClass_fillInterfaceTable(const VmRef* cls);

// For an abstract class that is not an interface: the method array with a
// generated method raising VM error 106 appended for each non-static method
// of its interfaces that neither its own methods, the public entries of its
// superclass's virtual table, its superclasses' methods nor an earlier
// interface provide. The same array when none is missing; 0 with an
// exception pending. A class without a superclass that lists interfaces is
// fatal error 139.
VmRef vsClass_addMissingInterfaceMethods(const VmRef* methods, const ClassRecord* super, VmRef interfaceList);

// Static fields with a constant value get it: int-like types the pool word,
// long and double two words, a String its interned String. 1, or 0 with an
// exception pending.
int32_t vsClass_setStaticInitialValues(const VmRef* cls);
