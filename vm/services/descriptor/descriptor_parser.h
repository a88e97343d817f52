// The parser of JAD and manifest text: normalises the text in place into
// logical lines and turns each "key: value" line into an attribute.
//
// The text buffer is rewritten (line breaks become NUL separators, manifest
// continuations are joined, colons become NUL) and every attribute points
// into it, so it must stay allocated while the list is used. Nodes are in
// the order in which their keys first appear; a repeated key keeps its place
// and takes the later value.
//
//   OamsAttribute (6 words)
//   +0  keyLength   bytes
//   +4  key         into the text, not NUL-terminated by contract
//   +8  valueLength bytes, after trimming blanks and tabs
//   +12 value       into the text
//   +16 keyIndex    row of the standard key table (0..16), 1000 for
//                   "MIDlet-<n>", 1001 for "MIDlet-Push-<n>", -1 otherwise
//   +20 next        the following node, or 0
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/services/descriptor/descriptor_env.h"

struct OamsAttribute {
  int32_t keyLength;
  VmPtr<const char> key;
  int32_t valueLength;
  VmPtr<const char> value;
  int32_t keyIndex;
  VmPtr<OamsAttribute> next;
};
static_assert(sizeof(OamsAttribute) == 24);
static_assert(offsetof(OamsAttribute, keyLength) == 0 && offsetof(OamsAttribute, key) == 4 &&
              offsetof(OamsAttribute, valueLength) == 8 && offsetof(OamsAttribute, value) == 12 &&
              offsetof(OamsAttribute, keyIndex) == 16 && offsetof(OamsAttribute, next) == 20);

// Rows of the standard key table that the service itself uses.
enum VsStandardKey : int32_t {
  kVsKeyJarUrl = 0,
  kVsKeyJarSize = 1,
  kVsKeyName = 2,
  kVsKeyVersion = 3,
  kVsKeyVendor = 4,
  kVsKeyProfile = 5,
  kVsKeyConfiguration = 6,
  kVsKeyIcon = 8,
  kVsKeyInstallNotify = 13,
  kVsKeyDeleteNotify = 14,
  kVsStandardKeyCount = 17,
};
inline constexpr int32_t kVsKeyMidletN = 1000;
inline constexpr int32_t kVsKeyMidletPushN = 1001;
inline constexpr int32_t kVsKeyOther = -1;

struct VsStandardKeyRow {
  const char* key;
  int32_t length;
  int32_t index;
};
// Row i has index i; comparison is by exact length and bytes.
inline constexpr VsStandardKeyRow kVsStandardKeys[] = {
    {"MIDlet-Jar-URL", 14, kVsKeyJarUrl},
    {"MIDlet-Jar-Size", 15, kVsKeyJarSize},
    {"MIDlet-Name", 11, kVsKeyName},
    {"MIDlet-Version", 14, kVsKeyVersion},
    {"MIDlet-Vendor", 13, kVsKeyVendor},
    {"MicroEdition-Profile", 20, kVsKeyProfile},
    {"MicroEdition-Configuration", 26, kVsKeyConfiguration},
    {"MIDlet-Description", 18, 7},
    {"MIDlet-Icon", 11, kVsKeyIcon},
    {"MIDlet-Info-URL", 15, 9},
    {"MIDlet-Data-Size", 16, 10},
    {"MIDlet-Permissions", 18, 11},
    {"MIDlet-Permissions-Opt", 22, 12},
    {"MIDlet-Install-Notify", 21, kVsKeyInstallNotify},
    {"MIDlet-Delete-Notify", 20, kVsKeyDeleteNotify},
    {"MIDlet-Delete-Confirm", 21, 15},
    {"MIDlet-Jar-RSA-SHA1", 19, 16},
};
constexpr bool vsStandardKeys_hold() {
  int32_t row = 0;
  for (const VsStandardKeyRow& r : kVsStandardKeys) {
    if (__builtin_strlen(r.key) != static_cast<size_t>(r.length) || r.index != row) return false;
    ++row;
  }
  return row == kVsStandardKeyCount;
}
static_assert(vsStandardKeys_hold(), "key lengths and rows of the standard key table");

enum VsParseMode : int32_t {
  kVsParseManifest = 0,
  kVsParseJad = 1,
};

// The attribute list of text[0, length), or null: with error 0 for a text
// without lines, -4 for malformed text, -1 when a node cannot be allocated
// (the nodes built so far are then released).
OamsAttribute* vsDescriptor_parse(OamsEnv* env, char* text, int32_t length, int32_t mode,
                                  int32_t* error);

// The key index of a key (see the layout above).
int32_t vsDescriptor_classifyKey(const char* key, int32_t length);

// The node whose key has exactly these bytes, or the first with this index.
OamsAttribute* vsDescriptor_findByKey(OamsAttribute* head, const char* key, int32_t length);
OamsAttribute* vsDescriptor_findByIndex(OamsAttribute* head, int32_t index);

// Releases every node of a list.
void vsDescriptor_freeAttributes(OamsEnv* env, OamsAttribute* head);
