// The protocol registry: which Java class implements a connection scheme
// ("http", "socket", ...), for the GenericConnection native.
//
// A table of 20 entries {protocol, className}, filled from the first slot;
// an empty slot has protocol 0. Schemes are ASCII and compared without regard
// to letter case; class names are dotted. The registry copies both strings
// into blocks of the memory service, so callers may free theirs at once:
//
//   entry: | protocol -> "http\0" (block) | className -> "a.b.Impl\0" (block) |
//
// The table is a VM variable, emptied before every run (its blocks go with
// the run's memory service); VM thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

inline constexpr int32_t kVsProtocol_entries = 20;

struct VsProtocolEntry {
  VmPtr<char> protocol;  // 0: empty slot
  VmPtr<char> className;
};
static_assert(sizeof(VsProtocolEntry) == 8 && offsetof(VsProtocolEntry, className) == 4);

// Empties all entries.
void vsGenericConnection_initialize();
// 0, or -1 with a log line: a scheme already present (in any letter case),
// a full table, or no memory for the copies; -1 for a null argument.
int32_t vsGenericConnection_register(const char* protocol, const char* className);
// The class name of the first entry whose scheme equals protocol without
// regard to ASCII letter case, or null.
const char* vsGenericConnection_getClassName(const char* protocol);
