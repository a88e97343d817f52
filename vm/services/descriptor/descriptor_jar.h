// The descriptor service's ZIP reader: finds and extracts single entries of
// a suite JAR held in memory or reached through a read callback.
//
//   OamsJar (5 words)
//   +0  source          the archive's address, or the read callback
//   +4  archiveStart    first local header: address (memory) or offset
//   +8  directoryStart  central directory: address or offset
//   +12 directoryEnd    the end record, where the directory stops
//   +16 fromCallback    0 memory, 1 callback
//
// Invariants, checked when the archive is opened, with sums that cannot wrap:
// source <= archiveStart <= directoryStart <= directoryEnd <= source + size
// - 22. Every central header read lies in [directoryStart, directoryEnd),
// every local header and its data in [archiveStart, directoryStart); a
// callback is never asked for a byte at or beyond the archive size. Data
// prefixed to the archive (archiveStart above the source) is tolerated.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/services/descriptor/descriptor_env.h"

// Delivers up to size bytes of the archive at offset into buffer: the count
// delivered (0 for none yet), or a negative value for failure.
using VsDescriptorReadCallback = int32_t (*)(void* buffer, int32_t offset, int32_t size);

struct OamsJar {
  VmWord source;
  VmWord archiveStart;
  VmWord directoryStart;
  VmWord directoryEnd;
  int32_t fromCallback;
};
static_assert(sizeof(OamsJar) == 20);
static_assert(offsetof(OamsJar, source) == 0 && offsetof(OamsJar, archiveStart) == 4 &&
              offsetof(OamsJar, directoryStart) == 8 && offsetof(OamsJar, directoryEnd) == 12 &&
              offsetof(OamsJar, fromCallback) == 16);

// The buffer a callback-mode look-up returns: a central header and its name.
inline constexpr uint32_t kVsCentralBufferBytes = 512;

// 1 when exactly size bytes at offset were delivered, else 0: a negative
// offset or size, a range past 2^31 - 1, a negative answer, an answer larger than what was asked, or more than 10,000 empty
// answers in a row fail.
int32_t vsDescriptor_readFully(VsDescriptorReadCallback read, void* buffer, int32_t offset,
                               int32_t size);

// Opens an archive of size bytes (the buffer wins over the callback): a JAR
// handle, or -1 with -3 (bad env, neither buffer nor callback), -5 (size <
// 0), -1 (no memory), -4 (no valid end record or first local header) or -2
// (a read failed).
OamsHandle OamsJarOpen(OamsHandle env, int32_t size, const void* buffer,
                       VsDescriptorReadCallback readCallback, int32_t* error);
// Releases the JAR record: 0, or -3 for a -1 env or JAR.
int32_t OamsJarClose(OamsHandle env, OamsHandle jar);

// The central header of the entry called name[0, nameLength) (or, with
// anyCaseManifest, of "META-INF/MANIFEST.MF" in any letter case), or null.
// In callback mode the header and its name are in a buffer of
// kVsCentralBufferBytes from the environment, which the caller releases
// (vsDescriptorJar_releaseEntry).
const uint8_t* vsDescriptorJar_findEntry(OamsEnv* env, const OamsJar* jar, const char* name,
                                         int32_t nameLength, bool anyCaseManifest);
void vsDescriptorJar_releaseEntry(OamsEnv* env, const OamsJar* jar, const uint8_t* header);
// The entry's uncompressed size, or -1 when it is absent or larger than 2^31 - 1.
int32_t vsDescriptorJar_entrySizeOf(const uint8_t* centralHeader);
int32_t vsDescriptorJar_entrySize(OamsEnv* env, const OamsJar* jar, const char* name,
                                  int32_t nameLength, bool anyCaseManifest);
// Extracts the entry of a central header into output (its uncompressed
// size): output, or null when the entry is encrypted, its method is neither
// stored nor deflated, it lies outside the archive, its sizes or CRC do not
// agree, or a read fails.
uint8_t* vsDescriptorJar_readEntry(OamsEnv* env, const OamsJar* jar, const uint8_t* centralHeader,
                                   uint8_t* output);
// A new buffer from the environment holding the manifest, or null (length
// -1 when there is no manifest entry).
uint8_t* vsDescriptorJar_extractManifest(OamsEnv* env, const OamsJar* jar, int32_t* length);

// Walking the central directory of a memory JAR, header by header.
struct VsDescriptorCursor {
  const uint8_t* at;   // the current central header; null for a callback JAR
  const uint8_t* end;  // the directory's end
};
VsDescriptorCursor vsDescriptorJar_getDirectory(const OamsJar* jar);
// The current header's name and its length, moving the cursor to the next
// header; null when the cursor is not at a whole central header.
const char* vsDescriptorJar_nextEntry(VsDescriptorCursor* cursor, int32_t* nameLength);
