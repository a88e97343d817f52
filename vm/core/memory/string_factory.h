// java.lang.String objects from UTF-8 text, and the table of interned
// Strings.
//
// Interned Strings are found first in the image's read-only string hash
// (buckets of runs of String pointers), then in the heap table of root 46,
// an Object[] with open addressing by the String hash. The heap table grows
// to length + length / 8 + 1024 when its count reaches three quarters of its
// length.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"

class VsUtf8Stream;

// The image's string hash: bucket count, a zero word, then bucketCount + 1
// pointers; bucket b is the run of String pointers [starts[b], starts[b + 1]).
struct RomStringTable {
  uint32_t bucketCount;
  uint32_t zero;
  VmWord starts[];
};

extern VmVariable<VmPtr<RomStringTable>> vsInternTable_rom;
extern VmVariable<uint32_t> vsInternTable_count;

inline constexpr int32_t kInternTableInitialLength = 64;

// A String {value, offset, count} of the String class's instance size.
VmRef vsJavaHeap_newString(const VmRef* value, int32_t offset, int32_t count);
// A String with `prefix` free characters, the stream's characters and
// `suffix` free characters: offset 0, count the array's length. Malformed
// text raises IllegalArgumentException.
VmRef vsJavaHeap_newStringFromStream(VsUtf8Stream* stream, int32_t prefix, int32_t suffix);
VmRef vsJavaHeap_newStringFromUtf8(const uint8_t* bytes, int32_t length);
VmRef vsJavaHeap_newStringFromSymbol(const VmRef* symbol);
// The interned String of the symbol's text.
VmRef vsJavaHeap_internString(const VmRef* symbol);
// The interned String equal to the String (a handle), which is entered
// itself when none is; 0 with OutOfMemoryError pending.
VmRef vsJavaHeap_internStringObject(const VmRef* string);
