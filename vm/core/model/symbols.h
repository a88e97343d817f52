// Symbols: unique byte strings (modified UTF-8, class names with '/'), so
// that symbols compare by identity.
//
// Two tables hold them. The image's read-only table is a bucket array whose
// bucket b is the run of symbol pointers [starts[b], starts[b + 1]) inside
// the merged constant pool; the heap table (root 47) is an Object[] with
// open addressing, 128 slots at start, grown to length + length / 8 + 1024
// when its count exceeds three quarters of its length. The hash of a byte
// string is h = h * 31 + byte (unsigned bytes, 32-bit wrap-around) and its
// slot h mod the table length.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"

struct RomSymbolTable {
  uint32_t bucketCount;
  VmWord starts[];
};

extern VmVariable<VmPtr<RomSymbolTable>> vsSymbolTable_rom;
extern VmVariable<uint32_t> vsSymbolTable_count;
// Bounds of the image's symbol area [start, end): its symbols have no header.
extern VmVariable<VmWord[2]> vsSymbolTable_imageArea;
// Its sub-ranges [start, end) of encoded field types and of encoded method
// signatures: an image symbol in one of them is classified as a heap symbol
// with the header of root 24 or 25 would be.
extern VmVariable<VmWord[2]> vsSymbolTable_imageFieldTypes;
extern VmVariable<VmWord[2]> vsSymbolTable_imageSignatures;

inline constexpr int32_t kMaxSymbolLength = 65520;
inline constexpr int32_t kSymbolTableInitialLength = 128;

uint32_t vsSymbol_hash(const uint8_t* bytes, uint32_t length);

// The symbol of the bytes, created unless lookupOnly (then null when
// absent). A length outside 0..65520 makes OutOfMemoryError pending.
VmRef vsSymbol_intern(const uint8_t* bytes, int32_t length, bool lookupOnly);
VmRef vsSymbol_fromCString(const char* text, bool lookupOnly);
// The symbol of a byte array's bytes.
VmRef vsSymbol_fromByteArray(const VmRef* array);
// The symbol of a class name with every '/' and '.' exchanged.
VmRef vsSymbol_fromClassName(const VmRef* name);
// The symbol of a String's characters in modified UTF-8, with '/' and '.'
// exchanged when asked.
VmRef vsSymbol_fromString(const VmRef* string, bool swapSeparators);

bool vsSymbol_equalsBytes(const VmSymbol* symbol, const uint8_t* bytes, uint32_t length);
// Length at least 2 and first byte '['.
bool vsSymbol_isArrayDescriptor(const VmSymbol* symbol);
// Inside the image's symbol area, or a heap object of the symbol kind.
bool vsObject_isSymbol(VmRef object);
