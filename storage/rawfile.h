// The resource container (.raw) of a suite: the manifest, the JAD text and
// the icons, written once while installing and read entry by entry.
//
//   0            entry count n (u8, at most 20)
//   1 + 256 * i  slot i: data size u32, name (200, NUL-terminated), data
//                offset u32, 48 extra bytes
//   1 + 256 * n  the entries' data in entry order
//
// Writing goes to the temporary "gfs://java/<id>_5.tmp", renamed over the
// suite's .raw by the commit. A storage-card suite (while a card is in use)
// has one entry, index 1: its .jad file. Invariants: a container whose
// count exceeds 20 or whose entry runs past the file end is refused (256),
// as is a short read; a name over 199 bytes is refused (262).
#pragma once

#include <cstdint>

constexpr int32_t kOjmsMaxRawEntries = 20;
constexpr int32_t kOjmsRawNameBytes = 200;
constexpr int32_t kOjmsRawExtraBytes = 48;

int32_t ojms_createRaw(int32_t id, int32_t n, const uint32_t* sizes);
int32_t ojms_writeRawEntry(int32_t i, const char* name, const void* data, const void* extra, int32_t extraLength);
int32_t ojms_commitRaw(int32_t flag);
// Ends writing and leaves the complete container under its temporary name
// for the caller's commit journal.
int32_t ojms_endRaw();
int32_t ojms_getRawCount(int32_t id);
int32_t ojms_findRawEntry(int32_t id, const char* name);
int32_t ojms_getRawEntrySize(int32_t id, int32_t i);
// Bytes copied (the entry, or length bytes of it), or -1.
int32_t ojms_readRawEntry(int32_t id, int32_t i, void* buffer, int32_t length);
int32_t ojms_getRawEntryName(int32_t id, int32_t i, char* buffer, int32_t length);
int32_t ojms_getRawEntryExtra(int32_t id, int32_t i, void* buffer, int32_t length);
