// Compact reference maps (CompressedStackMap, kind -28): for each stack-map
// bci of a method, which local and stack slots hold references.
//
// A map is a counted record {header, N, N entries} in increasing bci order.
// An entry is a short word or a reference to a long form:
//
//   short (bit 0 = 1):  31 ........ 16 15 ... 7 6 .. 3 2 . 1  0
//                       reference mask    bci     L      S    1
//   long (bit 0 = 0):   short[] {L, S, bci, mask words...}
//
// Mask bit k is slot k: the L locals first, then the S stack items bottom
// first; the long form packs 16 slots per element, bit 0 of element 3 for
// slot 0. An entry is short exactly when L <= 15, S <= 3, bci <= 511 and
// L + S <= 16. The collector visits the entries whose bit 0 is clear.
//
// Maps come from the parser's (or verifier's) form {short[] types, Object[]
// names} per frame: a slot holds a reference when its verification type,
// read as a signed 16-bit value, is 5 to 8, above 10 or negative.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Entry i of a map.
bool vsStackMap_isShort(const CountedRecord* map, uint32_t i);
uint32_t vsStackMap_localCount(const CountedRecord* map, uint32_t i);
uint32_t vsStackMap_stackCount(const CountedRecord* map, uint32_t i);
uint32_t vsStackMap_bci(const CountedRecord* map, uint32_t i);
// Whether slot k (locals, then stack items) of entry i holds a reference.
bool vsStackMap_isReference(const CountedRecord* map, uint32_t i, uint32_t slot);
// Whether an entry of these counts and bci takes the short form.
bool vsStackMap_fitsShort(uint32_t locals, uint32_t stack, uint32_t bci);

// The entry at or before bci: the last one when bci is at or after its
// bci, -1 for an empty map or a bci before the first entry.
int32_t vsStackMap_findEntry(const CountedRecord* map, uint32_t bci);

// Adds delta to the bci (16 bits) of every entry at or after `from`; a
// short entry whose new bci does not fit the short form becomes long
// first. False with an exception pending when that allocation fails.
bool vsStackMap_shiftBci(const VmRef* map, uint32_t from, int32_t delta);
// Entry i becomes long (its mask kept); false when allocation failed.
bool vsStackMap_toLongForm(const VmRef* map, uint32_t i);
// Removes the entries with from <= bci < to, or entry i; the later entries
// move down and the record gives its freed tail back to the heap as a
// filler. An i outside the map does nothing.
void vsStackMap_removeRange(const VmRef* map, uint32_t from, uint32_t to);
void vsStackMap_removeEntry(const VmRef* map, uint32_t i);

// The compact map of a parser-form map; null with nothing pending for a
// map of no entries or a malformed one, null with an exception pending
// when allocation failed.
VmRef vsStackMap_compressMethod(const VmRef* method, const VmRef* parserMap);
// Gives every method of the class its compact map (null for native and
// abstract methods and for methods without one) and grows the shared tag
// array to the largest frame. All methods change, or none when allocation
// fails (false, an exception pending).
bool vsStackMap_compressClass(const VmRef* cls);
// Whether the method's map word holds a compact map (or nothing).
bool vsStackMap_isCompact(const MethodRecord* method);

// Makes the shared tag array at least `slots` long; false with an
// exception pending when allocation failed.
bool vsStackMap_ensureTagArray(uint32_t slots);
