// Small helpers over method records that the loader and the resolver share.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// The name and signature symbols: the pool entries at the method's name and
// signature indexes.
VmRef vsMethod_name(const MethodRecord* method);
VmRef vsMethod_signature(const MethodRecord* method);
bool vsMethod_matchesNameAndSignature(const MethodRecord* method, VmRef name, VmRef signature);
// The name is "<init>".
bool vsMethod_isConstructor(const MethodRecord* method);
// Stores the parameter words that the signature and the static flag give.
void vsMethod_setParameterWords(MethodRecord* method);
// Whether another method of the holder's vtable has the same name (a name
// "<unknown>" is no name); false for a method of no class (holder id
// 0xFFFF).
bool vsMethod_hasNamesakeInVtable(const MethodRecord* method);
// The big-endian 16-bit operand at a bytecode offset.
uint16_t vsMethod_operandU2At(const MethodRecord* method, uint32_t offset);
// Writes a 16-bit operand in machine order (the fast forms' operands).
void vsMethod_setOperandU2(MethodRecord* method, uint32_t offset, uint16_t value);
// A constructor that only calls its superclass constructor and stores zero
// values: code of a non-zero multiple of 5 bytes,
//   aload_0, invokespecial #i, { aload_0, aconst_null | iconst_0 | fconst_0
//   | dconst_0, putfield #f }*, return
bool vsMethod_isTrivialConstructor(const MethodRecord* method);
// Whether the method enters through one of the five accessor entries; they
// read the field's basic type and byte offset where max stack and max
// locals are kept, which go to *type and *offset.
bool vsMethod_isFastAccessor(const MethodRecord* method, int32_t* type, uint32_t* offset);
