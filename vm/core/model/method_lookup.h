// Finding methods by name and signature, and what a class implements.
//
// A class's interface list (class info item 8) is complete: every interface
// it declares and, depth-first, each of their superinterfaces, once each.
// So the searches below walk lists, never recursion.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"

// Bit 0 of the class image's second header word: the method search also
// considers the virtual table (see vsClass_findMethod). Image loading sets
// it from the header; building the image sets it to the value the image
// carries (1).
extern VmVariable<uint32_t> vsMethodLookup_imageOption;

// The first method of the class's own method array with the name and
// signature symbols, or 0.
VmRef vsClass_findMethodInClass(const ClassRecord* cls, VmRef name, VmRef signature);
// The class, then each superclass in turn. With the image option, a method
// not found in the starting class itself is replaced by the most derived
// implementation that the starting class's virtual table reaches.
VmRef vsClass_findMethod(const ClassRecord* cls, VmRef name, VmRef signature);
// The interface, then each interface of its list: the method, its holder's
// class id and its index in the holder's method array; 0 when none.
VmRef vsClass_findInterfaceMethod(const ClassRecord* iface, VmRef name, VmRef signature, int32_t* holderId,
                                  int32_t* index);
// Element i of the method array.
VmRef vsClass_methodAt(const ClassRecord* cls, int32_t i);
// The interface's class id occurs in the class's interface table.
bool vsClass_implements(const ClassRecord* cls, const ClassRecord* iface);
// The class id occurs in the class's interface list.
bool vsClass_listsInterface(const ClassRecord* cls, uint32_t interfaceId);
// What vsClass_takeClassInitializer answers when there is nothing to take.
inline constexpr VmRef kClassInitializerNotTaken = 1;

// Takes the class initializer "<clinit>" ()V out of the class's method array
// (its slot becomes null) and returns it; 0 when the class has none. A class
// whose method array lies in the image, an interface and a class without
// methods give kClassInitializerNotTaken and keep their methods.
VmRef vsClass_takeClassInitializer(ClassRecord* cls);

// With the finalizable flag: stores the function of the native method
// "finalize" ()V in the class record's finalizer word.
void vsClass_storeNativeFinalizer(ClassRecord* cls);
