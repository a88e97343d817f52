// Small helpers over records: raw stores, byte helpers, the class-lookup
// record, encoded-signature positions and the one-word filler.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// A reference store at a byte offset of an object (through the barrier).
void vsObject_storeReferenceAt(VmRef object, uint32_t byteOffset, VmRef value);
void vsObject_storeByteAt(VmRef object, uint32_t byteOffset, uint8_t value);
// Item 8 of a class-info record (through the barrier).
void vsClassInfo_setLocalInterfaces(ClassInfo* info, VmRef interfaces);
// The address of word i of the block that word 3 of a runtime record points to.
VmWord* vsRecord_blockWordAt(VmRef record, uint32_t i);

uint32_t vsBytes_swap32(uint32_t value);
uint8_t vsBytes_lowByte(uint16_t value);
uint8_t vsBytes_highByte(uint16_t value);
// A 16-bit value in machine order.
uint16_t vsBytes_readU16(const uint8_t* p);

void vsClassLookup_init(ClassLookup* lookup, VmRef* nameHandle, int32_t kind, int32_t stub,
                        VmWord classFileBytes);
// The class, or 0 with an exception pending. The loader defines it; the
// model's descriptor parser calls it without depending on the loader.
VmRef vsClass_findOrLoad(ClassLookup* lookup);

// A native function: the body a native method record calls.
using VsNativeFunction = void (*)();
// A new method record with the name, signature, pool, parameter words,
// counts and holder of `method`, the native flag added, and the 8-byte body
// [229, result type, 0, 0, function]; 0 with an exception pending. The
// loader defines it; class linking calls it for the methods it makes.
VmRef vsMethod_makeNativeCopy(const VmRef* method, VsNativeFunction function);

// Whether the address lies in the class image (read-only part or writable
// area). The image defines it (image_bounds.h).
bool vsObject_isInRomImage(VmWord address);

// The class of the two-byte class-id encoding at p of an encoded signature:
// id = (p[0] & 127) * 128 + (p[1] & 127).
ClassRecord* vsSignature_classAt(const uint8_t* p);
// 13 (array) when that class is an array class, else 12 (object).
int32_t vsSignature_objectTypeAt(const uint8_t* p);

// What word 0 of a one-word filler holds: any internal class record (their
// own header is the kind -13 record), so the filler measures 4 bytes.
VmRef vsObject_fillerNear();

// Entry i of an argument block: a reference (type 1, through the barrier)
// or a plain word with its type.
void vsArgumentBlock_setReference(ArgumentBlock* block, uint32_t i, VmRef value);
void vsArgumentBlock_setWord(ArgumentBlock* block, uint32_t i, VmWord value, VmWord type);
