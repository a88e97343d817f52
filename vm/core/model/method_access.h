// Accessors over method records and readers of their bytecode.
//
// Multi-byte operands of the bytecode stay big-endian as in the class file,
// except the operand words of tableswitch and lookupswitch, which the
// load-time preparation turns into machine (little-endian) order:
// vsMethod_codeIntAt reads those.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

void vsMethod_accessFlags(const VmRef* method, uint16_t* out);
ClassRecord* vsMethod_holderClass(const MethodRecord* method);
// Item 2 for a record inside the Java heap; otherwise the merged pool of the
// image when the method uses it (flag 0x0200), else item 2.
ConstantPool* vsMethod_constantPool(const MethodRecord* method);
VmRef vsMethod_stackmap(const MethodRecord* method);
VmRef vsMethod_exceptionTable(const MethodRecord* method);

bool vsMethod_isNative(const MethodRecord* method);
bool vsMethod_isAbstract(const MethodRecord* method);
bool vsMethod_isPublic(const MethodRecord* method);
bool vsMethod_isPrivate(const MethodRecord* method);
bool vsMethod_isProtected(const MethodRecord* method);
bool vsMethod_isPackagePrivate(const MethodRecord* method);
bool vsMethod_isNativeWithoutCode(const MethodRecord* method);
// The method's entry word lies in the compiled-code area (the Java heap).
bool vsMethod_isCompiled(const MethodRecord* method);
bool vsMember_isStatic(const MethodRecord* member);

uint8_t vsMethod_codeByteAt(const MethodRecord* method, uint32_t offset);
uint16_t vsMethod_codeU2At(const MethodRecord* method, uint32_t offset);
// A switch operand word, in machine order.
int32_t vsMethod_codeIntAt(const MethodRecord* method, uint32_t offset);
void vsMethod_setCodeIntAt(MethodRecord* method, uint32_t offset, int32_t value);
int32_t vsMethod_codeBigEndianIntAt(const MethodRecord* method, uint32_t offset);
void vsMethod_setCodeBigEndianIntAt(MethodRecord* method, uint32_t offset, int32_t value);
// The address just past the bytecode.
const uint8_t* vsMethod_codeEnd(const MethodRecord* method);
// Where a native of the form [229, type, 0, 0, address] keeps its address.
VmWord* vsMethod_nativeAddressSlot(MethodRecord* method);
// Copies the plain head words of a method record to a new record of the
// same method: flags, class id, stack and locals sizes, parameter words and
// the pool indexes of name and signature (not the references, entries or
// code).
void vsMethod_copyHead(MethodRecord* to, const MethodRecord* from);

// Position of the method in its declaring class's virtual table, or -1.
int32_t vsMethod_findInVtable(const MethodRecord* method);
