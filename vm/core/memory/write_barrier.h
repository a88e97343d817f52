// The write barrier and the heap bitmap.
//
// One bit per heap word: the bit of address a is bit (a >> 2) & 31 of the
// bitmap word at (card-bitmap base + (a >> 7) * 4), the base being biased by
// heap start / 32 so that no subtraction is needed. Between collections the
// bits over the old generation are the remembered set, set by every store
// of a non-null reference into a slot in [heap start, heap end); the
// collector also uses the bits as mark bits.
//
// All addresses here are VM words; bitmap arithmetic wraps in 32 bits, as it
// does in generated code.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"

// Stores the value; a non-null value stored into a heap slot sets its bit.
void vsJavaHeap_storeReference(VmWord* slot, VmWord value);
// Goes through the barrier only when the value points into the Java heap.
void vsJavaHeap_storeIfHeapReference(VmWord* slot, VmWord value);

void vsGC_setBit(VmWord address);
bool vsGC_testBit(VmWord address);
// Returns whether the bit was set before.
bool vsGC_testAndSetBit(VmWord address);
// Clears the bits of the words in [from, to).
void vsGC_clearBits(VmWord from, VmWord to);
// Calls the visitor with the address of every set bit in [from, to), in
// increasing order.
using GcAddressVisitor = void (*)(VmWord address);
void vsGC_forEachSetBit(GcAddressVisitor visitor, VmWord from, VmWord to);
// The same in decreasing order.
void vsGC_forEachSetBitDown(GcAddressVisitor visitor, VmWord from, VmWord to);
// Sets the bits of n consecutive words from the address; nothing for n <= 0.
void vsGC_setBitRange(VmWord address, int32_t n);

// The bitmap word that holds the bit of an address.
uint32_t* vsGC_bitmapWord(VmWord address);
