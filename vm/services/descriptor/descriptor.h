// Descriptors of the suite-descriptor service: a JAD or a JAR manifest
// parsed into attributes, merges of the two, and look-ups.
//
//   OamsDescriptor (3 words)
//   +0 tag         kVsDescriptorTag while the descriptor is open
//   +4 text        the service's own copy of the text, into which every key
//                  and value points; 0 for a merged descriptor
//   +8 attributes  head of the attribute list (descriptor_parser.h)
//
// Every operation that takes a descriptor checks that the handle is not -1
// and that the tag is there, and answers -3 otherwise. A merged descriptor
// points into the texts of the two it was made from, which must stay open
// while it is used. Values returned by look-ups point into those texts and
// are not NUL-terminated.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/services/descriptor/descriptor_jar.h"
#include "vm/services/descriptor/descriptor_parser.h"

struct OamsDescriptor {
  VmWord tag;
  VmPtr<char> text;
  VmPtr<OamsAttribute> attributes;
};
static_assert(sizeof(OamsDescriptor) == 12);
static_assert(offsetof(OamsDescriptor, tag) == 0 && offsetof(OamsDescriptor, text) == 4 &&
              offsetof(OamsDescriptor, attributes) == 8);

// "DESC": no other record of the service starts with this word.
inline constexpr VmWord kVsDescriptorTag = 0x43534544u;

// Parses a size-byte JAD copied from buffer, or read through the callback
// from offset 0: a descriptor, or -1 with -3, -2 (read failure), -1 (no
// memory) or the parser's code.
OamsHandle OamsJadOpen(OamsHandle env, int32_t size, const void* buffer,
                       VsDescriptorReadCallback readCallback, int32_t* error);
// Parses the JAR's "META-INF/MANIFEST.MF" (any letter case): a descriptor,
// or -1 with -3, -2 (absent or not extractable), -1 or the parser's code.
OamsHandle OamsManifestOpen(OamsHandle env, OamsHandle jar, int32_t* error);
// Releases the nodes, the text copy and the record: 0 or -3.
int32_t OamsDescriptorClose(OamsHandle env, OamsHandle descriptor);
// The union of both attribute lists: second's attributes first in their
// order, then first's that second lacks; where both have a key, first's
// value wins. -1 with -3 or -1 on failure.
OamsHandle OamsDescriptorMerge(OamsHandle env, OamsHandle first, OamsHandle second,
                               int32_t* error);

// The value of the first attribute with key index 0..16 (-19 outside), or
// null with -17 when absent, -3 for bad handles or a null length pointer.
const char* OamsDescriptorGetValueByIndex(OamsHandle env, OamsHandle descriptor, int32_t index,
                                          int32_t* valueLength, int32_t* error);
// The value of the attribute whose key is exactly key[0, keyLength) (letter
// case matters), or null with -17 or -3.
const char* OamsDescriptorGetValueByKey(OamsHandle env, OamsHandle descriptor, const char* key,
                                        int32_t keyLength, int32_t* valueLength, int32_t* error);
// "MIDlet-Version" as two or three numbers (the third 0 when absent): 0, -3,
// -17, -21 (no ".") or OamsParseInt's code.
int32_t OamsDescriptorGetVersion(OamsHandle env, OamsHandle descriptor, int32_t* first,
                                 int32_t* second, int32_t* third);

// The record of an open descriptor, or null for -1 or a missing tag.
OamsDescriptor* vsDescriptor_open(OamsHandle descriptor);
// Splits a version "a.b[.c]" into numbers: 0 or a code (see GetVersion).
int32_t vsDescriptor_parseVersion(const char* text, int32_t length, int32_t* first,
                                  int32_t* second, int32_t* third);
