// UTF-8 and string entries of a constant pool read from a class file.
//
// A UTF-8 entry (tag 1) holds the class file's bytes as a byte[] until its
// first use turns it, in place, into a symbol: the name form interns the
// text; the descriptor form interns the encoded type or signature; the
// plain form takes the descriptor form for a text of more than one
// character that begins with '[' (an array class name), else the name form.
// An entry that is a symbol already is returned as it is, except a name
// symbol asked for in the descriptor form: one text can be both a string
// constant and a descriptor ("[I", "(I)V"), and the string, interned first,
// keeps its text while the descriptor form parses it. Another tag, or an
// index past the pool, raises VM error 91.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

VmRef vsConstantPool_internUtf8Name(const VmRef* pool, uint32_t index);
VmRef vsConstantPool_internUtf8Descriptor(const VmRef* pool, uint32_t index);
VmRef vsConstantPool_internUtf8(const VmRef* pool, uint32_t index);

// A string entry not yet resolved (tag 15, its symbol) becomes its interned
// String (tag 8), which is returned; 0 with an exception pending.
VmRef vsConstantPool_resolveString(const VmRef* pool, uint32_t index);
// The interned String of a class-file string entry (tag 16, whose word is a
// UTF-8 index); 0 with an exception pending.
VmRef vsConstantPool_internStringAt(const VmRef* pool, uint32_t index);
