// Structural checks of field and method references in a constant pool.
//
// A member reference (tag 9, 10 or 11) holds name-and-type index << 16 |
// class index; its name-and-type entry (tag 12) holds signature index << 16
// | name index, both UTF-8 entries (tag 1). Every violation raises VM error
// 91.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

uint8_t* vsConstantPool_getTagInto(const VmRef* pool, uint8_t* out, uint32_t index);
bool vsConstantPool_isMemberRef(uint8_t tag);
// The name-and-type index of member reference `index`, or 0 after error 91.
uint32_t vsConstantPool_memberRefNameAndType(const VmRef* pool, uint32_t index);
// Stores the name and signature symbols of member reference `index`, and
// its class: the class record of a resolved class entry into *cls when cls
// is given, else the class's name symbol into *className. An entry that
// names a class not yet resolved stores the name symbol into *className
// (and null into *cls). 1, or 0 after error 91.
int32_t vsConstantPool_memberRefParts(const VmRef* pool, uint32_t index, VmRef* name,
                                      VmRef* signature, VmRef* cls, VmRef* className);
