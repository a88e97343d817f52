// VsJarFile: an open JAR (ZIP) archive of the class path.
//
// Opening finds the end-of-central-directory record (searched backwards from
// the end of the file over at most a 65535-byte comment), derives the central
// directory's start and the archive's base (the offset of its first local
// header, so that bytes put in front of an archive are tolerated) and checks
// the local-header signature at the base. Entries are found by a linear
// search of the central directory, read stored or deflated, and checked
// against their CRC-32.
//
// The record lives on the caller's stack. Its second and third words are a
// GC handle that opening links as the head of the handle list, so the stream
// record is traced and updated; closing restores the saved head. Nothing
// with a destructor is held, so an exit jump may pass over an open archive.
//
// Archives are hostile: every offset and size read from them is checked in
// unsigned 32-bit arithmetic against the file before it is used, and any
// position outside the file means "not opened" or "not found".
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"

struct VsJarFile {
  VmPtr<VmHandle> savedHead;  // head of the handle list before opening
  VmHandle stream;            // {VsZipStream or null, previous head}
  int32_t open;
  int32_t found;
  int32_t classFile;  // opened to read a class file: relaxes the CRC check
};

// Set by the resource natives while they only ask whether a resource
// exists: a successful read then answers 1 instead of the size.
extern VmVariable<int32_t> vsJarFile_existenceQuery;

// Opens the archive at path; jar->open stays 0 on any failure (an exhausted
// heap also leaves its exception pending). Close it in every case.
void vsJarFile_open(VsJarFile* jar, const char* path, int32_t isClassFile);

// Searches the central directory from the current record for `name` (the
// current record itself for null): 1 found, 0 not found.
[[nodiscard]] int32_t vsJarFile_findEntry(VsJarFile* jar, const char* name, uint32_t nameLength);

// Reads the found entry into the byte array held at destination, which must
// hold the entry's uncompressed size (`size` may not exceed it). Returns the
// size (0 for an empty entry), 1 while the existence query is on, or -1 on
// failure.
[[nodiscard]] int32_t vsJarFile_readEntry(VsJarFile* jar, VmRef* destination, uint32_t size);

// Uncompressed size of the found entry.
uint32_t vsJarFile_entrySize(const VsJarFile* jar);

// Closes the stream of an open archive and restores the handle list.
void vsJarFile_close(VsJarFile* jar);

// Calls callback(name, nameLength, jar) for every central-directory entry
// whose name ends with suffix (and is longer than it), in directory order,
// until an exception is pending. A name of 256 bytes or more raises VM
// error 135. The archive is opened for class files when suffix is ".class".
using VsJarEntryCallback = void (*)(const char* name, uint32_t nameLength, VsJarFile* jar);
void vsJarFile_forEachEntry(const char* path, const char* suffix, VsJarEntryCallback callback);

// Whether name (nameLength bytes) ends with suffix and is longer than it.
bool vsString_endsWith(const char* suffix, const char* name, uint32_t nameLength);
