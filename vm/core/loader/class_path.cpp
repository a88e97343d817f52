// Lookup of resources and class files along the class path.
#include "vm/core/loader/class_path.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "vm/core/loader/jar_file.h"
#include "vm/core/loader/zip_stream.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/vm_globals.h"
#include "vm/services/lifecycle/os_file.h"
#include "vm/services/lifecycle/system_package_check.h"

namespace {

VS_VMBSS(VsClassPath) gClassPath{};
VS_VMBSS(VmWord) gClassSource;

constexpr char kClassSuffix[] = ".class";

// Appends `text` to the path of `length` characters in a 270-byte buffer;
// false (nothing appended) when the path and its NUL would not fit.
bool append(char* path, uint32_t& length, const char* text) {
  const size_t n = std::strlen(text);
  if (n >= kVsClassPath_pathBuffer - length) return false;
  std::memcpy(path + length, text, n + 1);
  length += static_cast<uint32_t>(n);
  return true;
}

}  // namespace

int32_t vsClassPath_set(const char* text) {
  gClassPath.count = 0;
  const size_t n = std::strlen(text);
  if (n > kVsClassPath_maxText) return 0;
  std::memcpy(gClassPath.text, text, n + 1);
  gClassPath.start[gClassPath.count++] = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (gClassPath.text[i] != ';') continue;
    gClassPath.text[i] = '\0';
    gClassPath.start[gClassPath.count++] = static_cast<uint16_t>(i + 1);
  }
  return 1;
}

const VsClassPath* vsClassPath_entries() { return &gClassPath; }

VmWord vsClassPath_classSource() { return gClassSource; }

VmRef vsClassPath_readFromJar(const char* jarPath, const char* name, int32_t isClassFile) {
  char entryName[kVsClassPath_pathBuffer];
  uint32_t length = 0;
  entryName[0] = '\0';
  if (!append(entryName, length, name) || (isClassFile && !append(entryName, length, kClassSuffix)))
    return 0;
  VsJarFile jar;
  VmHandle result;
  vsJarFile_open(&jar, jarPath, isClassFile);
  vsHandle_pushEmpty(&result);
  if (jar.open && vsJarFile_findEntry(&jar, entryName, length)) {
    const uint32_t size = vsJarFile_entrySize(&jar);
    if (size <= 0x7FFFFFFF) result.object = vsJavaHeap_newByteArray(static_cast<int32_t>(size));
    if (result.object != 0 && vsJarFile_readEntry(&jar, &result.object, size) < 0) result.object = 0;
  }
  const VmRef found = result.object;
  const VmWord file = jar.open ? vsWord_toPointer<VsZipStream>(jar.stream.object)->fileHandle : 0;
  vsJarFile_close(&jar);
  if (found != 0 && isClassFile) {
    vsSys_checkSystemPackage(name, jarPath);
    gClassSource = file;
  }
  return found;
}

VmRef vsClassPath_readFromDirectory(const char* entry, const char* name, int32_t isClassFile) {
  char path[kVsClassPath_pathBuffer];
  uint32_t length = 0;
  path[0] = '\0';
  if (!append(path, length, entry) || !append(path, length, "/") || !append(path, length, name) ||
      (isClassFile && !append(path, length, kClassSuffix)))
    return 0;
  const VmWord file = vsOs_fileOpen(path, "rb");
  if (file == 0) return 0;
  const int32_t size = vsOs_fileSize(file);
  VmRef array = size >= 0 ? vsJavaHeap_newByteArray(size) : 0;
  if (array != 0 && size > 0 &&
      vsOs_fileRead(file, reinterpret_cast<uint8_t*>(vsWord_toPointer<ByteArray>(array)->elements), 1,
                    static_cast<uint32_t>(size)) != size)
    array = 0;
  vsOs_fileClose(file);
  return array;
}

bool vsClassPath_isArchive(const char* entry) { return vsOs_fileExists(entry) != 0; }

VmRef vsClassPath_findResource(const char* name, int32_t isClassFile) {
  gClassSource = 0;
  const size_t nameLength = std::strlen(name);
  for (uint32_t i = 0; i < gClassPath.count; ++i) {
    const char* entry = vsClassPath_entry(&gClassPath, i);
    const size_t entryLength = std::strlen(entry);
    if (entryLength >= kVsClassPath_pathBuffer) continue;
    char path[kVsClassPath_pathBuffer];
    std::memcpy(path, entry, entryLength + 1);
    VmRef found = 0;
    if (vsClassPath_isArchive(path))
      found = vsClassPath_readFromJar(path, name, isClassFile);
    else if (entryLength + nameLength + 1 < kVsClassPath_pathBuffer)
      found = vsClassPath_readFromDirectory(path, name, isClassFile);
    if (vsException_isPending()) return 0;
    if (found != 0) return found;
  }
  return 0;
}
