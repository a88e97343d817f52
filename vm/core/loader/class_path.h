// The class path: where the VM finds class files and resources.
//
// The class path is plain text in VM variables (at most 1024 characters),
// split at ';' into entries. An entry that names an existing file is read as
// a JAR archive, any other entry as a directory whose files are memory files
// named entry + "/" + name. Nothing of the lookup lives in the heap, so it
// works before any Java class exists; only the result is a Java byte array.
//
// Paths are built in 270-byte buffers; a path that would not fit whole
// (with "/", ".class" and the terminating NUL) is simply not found.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/core/model/object_layout.h"

inline constexpr uint32_t kVsClassPath_maxText = 1024;
inline constexpr uint32_t kVsClassPath_pathBuffer = 270;
inline constexpr uint32_t kVsClassPath_maxEntries = kVsClassPath_maxText + 1;  // all ";"

struct VsClassPath {
  uint32_t count;
  uint16_t start[kVsClassPath_maxEntries];  // offset of each entry in text
  char text[kVsClassPath_maxText + 1];      // the entries, each NUL-terminated
};

// Keeps the class path `text`: 1, or 0 (class path emptied) when it is longer
// than 1024 characters.
[[nodiscard]] int32_t vsClassPath_set(const char* text);

// The entries of the class path.
const VsClassPath* vsClassPath_entries();
inline const char* vsClassPath_entry(const VsClassPath* path, uint32_t i) {
  return path->text + path->start[i];
}

// Whether the entry names an existing file (read as an archive).
bool vsClassPath_isArchive(const char* entry);
// Reads the resource `name` ("a/b.png"), or the class file of the class
// `name` ("a/B") when isClassFile is set, from the first class-path entry
// that has it: a new byte array, or 0 (with an exception pending when the
// heap was exhausted). A class read from an archive is refused by the
// system-package check when it lies in a platform package.
[[nodiscard]] VmRef vsClassPath_findResource(const char* name, int32_t isClassFile);

[[nodiscard]] VmRef vsClassPath_readFromJar(const char* jarPath, const char* name, int32_t isClassFile);
[[nodiscard]] VmRef vsClassPath_readFromDirectory(const char* entry, const char* name, int32_t isClassFile);

// The open-file record (a memory-file slot, which begins with the file's
// name) of the archive that supplied the last class file; 0 when the last
// lookup found no class in an archive. Class creation hands it to the
// class-source check.
VmWord vsClassPath_classSource();
