// Named in-memory files: how the class path reads the application JAR.
//
// Ten slots of 52 bytes, a VM variable cleared before every run. A file is
// registered under a name (at most 31 characters are kept, and every name
// given later is cut the same way) with either its bytes in memory or a
// reader callback that fetches bytes on demand. Ids handed out are slot + 1.
//
//   slot: | name[32] | open | memory | reader | size | position |
//            a free slot has an empty name; memory and reader are VM words
//
// Opening a file that is open already puts a copy into a free slot, so that
// each open has its own position; closing the copy frees its slot. A handle
// is the address of the slot as a VM word (kVsMemFile_invalid on failure).
//
// Reads of a reader-backed file go through vsMemFile_readThrough: requests
// of 512 bytes or more go to the reader straight into the caller's buffer,
// smaller ones are served from a 1024-byte window shared by all files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

// Fills buffer with up to `size` bytes from `offset`; returns the number
// delivered, 0 when none are ready yet, negative on failure.
using VsMemFileReader = int32_t (*)(uint8_t* buffer, uint32_t offset, int32_t size);

constexpr int kVsMemFile_slots = 10;
constexpr size_t kVsMemFile_nameBytes = 32;
constexpr VmWord kVsMemFile_invalid = 0xFFFFFFFFu;
constexpr int32_t kVsMemFile_windowBytes = 1024;
constexpr int32_t kVsMemFile_directBytes = 512;
constexpr uint32_t kVsMemFile_maxEmptyReads = 10240;

struct VsMemFile {
  char name[kVsMemFile_nameBytes];
  int32_t open;
  VmPtr<const uint8_t> memory;  // the contents, or 0 for a reader-backed file
  VmWord reader;                // VsMemFileReader as a word; used when memory is 0
  uint32_t size;
  uint32_t position;
};
static_assert(sizeof(VsMemFile) == 52);
static_assert(offsetof(VsMemFile, open) == 32 && offsetof(VsMemFile, memory) == 36 &&
              offsetof(VsMemFile, reader) == 40 && offsetof(VsMemFile, size) == 44 &&
              offsetof(VsMemFile, position) == 48);

struct VsMemFileInfo {
  int32_t mode;  // 33024: a regular file the owner may read
  uint32_t size;
};

// Id (slot + 1); -2 for a null or empty name, -1 when neither memory nor
// reader is given, -3 when the name is registered, -4 when all slots are used.
int32_t vsMemFile_register(const char* name, const uint8_t* memory, VsMemFileReader reader,
                           uint32_t size);
// With a non-empty name every slot of that name is cleared, else the slot of id.
void vsMemFile_unregister(const char* name, int32_t id);

VmWord vsMemFile_open(const char* name, const char* mode);
// 0, or -1 for a handle that is not an open file.
int32_t vsMemFile_close(VmWord handle);
// Bytes read (n clipped to what is left), or -1 for n < 0, a closed file or
// nothing left.
int32_t vsMemFile_read(VmWord handle, uint8_t* buffer, int32_t n);
// whence 0 start, 1 current, 2 end, other: target 0. New position, or -1
// when the target lies before 0 or after the end.
int32_t vsMemFile_seek(VmWord handle, int32_t offset, int32_t whence);
int32_t vsMemFile_tell(VmWord handle);
int32_t vsMemFile_getc(VmWord handle);
int32_t vsMemFile_stat(const char* name, VsMemFileInfo* info);

// Reads n bytes at offset of a reader-backed file; the number delivered, or
// -1 when nothing is left at offset.
int32_t vsMemFile_readThrough(VsMemFile* file, uint8_t* buffer, uint32_t offset, int32_t n);

// The slot behind a handle, or null.
VsMemFile* vsMemFile_slot(VmWord handle);
