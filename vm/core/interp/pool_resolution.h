// Resolution of class and field entries of a constant pool, and the
// checked readers of a member reference's parts.
//
// Resolution turns a symbolic entry into the direct form the interpreter's
// fast bytecodes read, at most once per entry; the tag says which form an
// entry holds:
//
//   class   13 name symbol            -> 7  class id
//   field    9 nat << 16 | class idx  -> 13 + basic type (17 .. 26):
//                                          byte offset << 16 | holder class id
//
// A failed resolution changes no entry and leaves the link error pending,
// so the next execution resolves again. While the VM resolves without
// loading (only around vsConstantPool_tryResolveField), class entries take
// loaded classes only, and a class not loaded is error 146.
//
// The pool and the accessing class are passed as GC handles (addresses of
// slots holding them): loading a class may move objects.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// The class of a class entry, loaded when needed; 0 with the error pending
// (91 for an index past the pool or an entry that is no class).
ClassRecord* vsConstantPool_resolveClass(const VmRef* pool, uint32_t index);
// The class of a class entry when it is loaded already (a named entry is
// then rewritten to tag 7), else 0; never raises.
ClassRecord* vsConstantPool_lookupLoadedClass(const VmRef* pool, uint32_t index);
// The name symbol of a class entry, resolved or not; 0 after error 91.
VmRef vsConstantPool_className(const VmRef* pool, uint32_t index);
// The class of member reference `index`; 0 with the error pending.
ClassRecord* vsConstantPool_resolveMemberClass(const VmRef* pool, uint32_t index);

// The parts of member reference `index`, checked: its class entry's index,
// and the UTF-8 indexes of its name and descriptor (through its
// name-and-type entry); 0 after error 91 (an index past the pool, or an
// entry of the wrong tag).
uint32_t vsConstantPool_memberClassIndex(const VmRef* pool, uint32_t index);
uint32_t vsConstantPool_nameIndex(const VmRef* pool, uint32_t index);
uint32_t vsConstantPool_descriptorIndex(const VmRef* pool, uint32_t index);
// Retags entry `index`, keeping its word.
void vsConstantPool_setTag(ConstantPool* pool, uint32_t index, uint8_t tag);

// Resolves field reference `index` for a get (isGet) or a put of a static or
// instance field (expectStatic), used by `accessing`. Returns the field's
// basic type with its byte offset and holder class, or kTypeNotPrimitive
// (32) with the error pending: 96 no such field, 97 static where an
// instance field was expected or the reverse, 94 no access or a store into
// a final field of another class.
int32_t vsConstantPool_resolveField(const VmRef* pool, uint32_t index, uint32_t* offset, bool expectStatic,
                                    bool isGet, const VmRef* accessing, ClassRecord** holder);
// The same for a reference in the pool of `method`, accessed by the
// method's class, without loading any class: 1 with offset and type, or 0
// with nothing pending.
int32_t vsConstantPool_tryResolveField(const VmRef* method, uint32_t index, uint32_t* offset, int32_t* type,
                                       bool expectStatic, bool isGet);

// A getter the dynamic compiler may inline: not synchronized, no monitor
// instructions, one parameter word (the receiver) and the five bytes
// aload_0, getfield #i, one of ireturn .. areturn, whose field resolves
// without loading. 1 with the field's byte offset and basic type, else 0.
int32_t vsMethod_isSimpleGetter(const VmRef* method, uint32_t* offset, int32_t* type);
