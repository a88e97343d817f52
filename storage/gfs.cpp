// The gfs connector (see gfs.h).
#include "storage/gfs.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ce/base/lasterror.h"
#include "ce/core/clock.h"
#include "ce/core/thread.h"
#include "ce/fs/dirops.h"
#include "ce/fs/file.h"
#include "ce/fs/find.h"
#include "port/support/strconv.h"
#include "storage/roots.h"

namespace {

enum class SlotKind { Free = 0, File = 1, Listing = 2, Roots = 3 };

struct RootCopy {
  char name[16];
  int32_t length;
  char physical[kOjfsPathBytes + 1];
};

struct Slot {
  SlotKind kind;
  HANDLE file;
  std::vector<std::string> names;  // kind 2: the directory's names; kind 3: unused
  size_t next;
  char physical[kGfsPathBytes];  // kind 1: the file; kind 2: the directory with "\"
  char uriPath[kGfsPathBytes];   // kind 2: the URI path with "/"
  OjfsDirEntry entry;
  char entryName[kGfsNameBytes + kGfsPathBytes];
};

RootCopy gRoots[kOjfsGfsRootCount];
int32_t gRootCount = 0;
Slot gSlots[kGfsSlots];
int32_t gError = OJFS_ERR_NONE;

constexpr DWORD kShareRetryMs = 1000;
constexpr DWORD kShareRetryStepMs = 10;

int32_t lFail(int32_t code) {
  gError = code;
  return -1;
}

// The code of the CE error after a failing call.
int32_t lPlatformFailed() {
  switch (GetLastError()) {
    case ERROR_SUCCESS: return lFail(OJFS_ERR_NONE);
    case ERROR_ACCESS_DENIED: return lFail(OJFS_ERR_ACCESS_DENIED);
    case ERROR_INVALID_HANDLE: return lFail(OJFS_ERR_PLATFORM_HANDLE);
    case ERROR_NOT_ENOUGH_MEMORY: return lFail(OJFS_ERR_NO_MEMORY);
    case ERROR_INVALID_PARAMETER: return lFail(OJFS_ERR_INVALID_PARAMETER);
    case ERROR_ALREADY_EXISTS: return lFail(OJFS_ERR_EXISTS);
    default: return lFail(OJFS_ERR_PLATFORM);
  }
}

std::u16string lWide(const char* path) { return Utf8ToWString(path); }

Slot* lSlot(int32_t handle, SlotKind kind) {
  if (handle < 0 || handle >= kGfsSlots || gSlots[handle].kind != kind) {
    gError = OJFS_ERR_BAD_HANDLE;
    return nullptr;
  }
  return &gSlots[handle];
}

int32_t lFreeSlot() {
  for (int32_t i = 0; i < kGfsSlots; ++i)
    if (gSlots[i].kind == SlotKind::Free)
      return i;
  return -1;
}

void lRelease(Slot* slot) {
  if (slot->kind == SlotKind::File)
    CloseHandle(slot->file);
  slot->kind = SlotKind::Free;
  slot->file = nullptr;
  slot->names.clear();
  slot->next = 0;
}

// Whether the component [begin, end) of a URI path may be used.
bool lComponentOk(const char* begin, const char* end) {
  const size_t n = static_cast<size_t>(end - begin);
  if ((n == 1 && begin[0] == '.') || (n == 2 && begin[0] == '.' && begin[1] == '.'))
    return false;
  return std::memchr(begin, '\\', n) == nullptr;
}

// The root index of a translated path, for listings; -1 for a bad path.
int32_t lTranslate(const char* path, char* out, int32_t* rootIndex) {
  if (path == nullptr)
    return lFail(OJFS_ERR_INVALID_PARAMETER);
  if (*path == '\0') {
    out[0] = '\0';
    *rootIndex = -1;
    return 0;
  }
  const size_t length = std::strlen(path);
  if (length < 3 || path[0] != '/' || path[1] != '/')
    return lFail(OJFS_ERR_BAD_PATH);
  const char* name = path + 2;
  const char* slash = std::strchr(name, '/');
  const size_t nameLength = slash != nullptr ? static_cast<size_t>(slash - name) : std::strlen(name);
  int32_t root = -1;
  for (int32_t i = 0; i < gRootCount; ++i)
    if (static_cast<size_t>(gRoots[i].length) == nameLength && std::strncmp(gRoots[i].name, name, nameLength) == 0)
      root = i;
  if (root < 0)
    return lFail(OJFS_ERR_BAD_PATH);
  std::string result = gRoots[root].physical;
  if (slash != nullptr) {
    const char* p = slash + 1;
    while (true) {
      const char* end = std::strchr(p, '/');
      if (end == nullptr)
        end = p + std::strlen(p);
      if (!lComponentOk(p, end))
        return lFail(OJFS_ERR_BAD_PATH);
      result.append(p, end);
      if (*end == '\0')
        break;
      result.push_back('\\');
      p = end + 1;
    }
  }
  if (result.size() >= static_cast<size_t>(kGfsPathBytes))
    return lFail(OJFS_ERR_BAD_PATH);
  std::strcpy(out, result.c_str());
  *rootIndex = root;
  return 0;
}

int32_t lTranslatePath(const char* path, char* out) {
  int32_t root;
  if (lTranslate(path, out, &root) != 0)
    return -1;
  if (out[0] == '\0')
    return lFail(OJFS_ERR_BAD_PATH);
  return 0;
}

int32_t gfsOpen(const char* path, OjfsOpenMode mode) {
  char physical[kGfsPathBytes];
  if (lTranslatePath(path, physical) != 0)
    return -1;
  const std::u16string wide = lWide(physical);
  const uint32_t disposition = mode & 0xFF00u;
  const uint32_t accessByte = mode & 0xFFu;
  uint32_t access = 1;
  for (uint32_t bit : {1u, 2u, 4u, 8u})
    if ((accessByte & bit) != 0) {
      access = bit;
      break;
    }
  DWORD ceAccess = GENERIC_READ;
  DWORD ceDisposition = OPEN_EXISTING;
  if (disposition == 0x1000u) {
    ceDisposition = CREATE_ALWAYS;
    ceAccess = access == 2 ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
  } else if (disposition == 0x2000u) {
    ceDisposition = OPEN_ALWAYS;
    ceAccess = GENERIC_READ | GENERIC_WRITE;
  } else if (disposition == 0x4000u) {
    ceAccess = access == 1 ? GENERIC_READ : access == 2 ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
  }
  if (wide.size() > 256)
    return lFail(OJFS_ERR_BAD_PATH);
  const DWORD start = GetTickCount();
  HANDLE file;
  for (;;) {
    file = CreateFileW(wide.c_str(), ceAccess, 0, nullptr, ceDisposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION ||
        GetTickCount() - start >= kShareRetryMs)
      break;
    Sleep(kShareRetryStepMs);
  }
  if (file == INVALID_HANDLE_VALUE) {
    // Opening a directory fails; only then is the path looked at again, to
    // refuse a directory as a bad path.
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      return lFail(OJFS_ERR_BAD_PATH);
    SetLastError(error);
    return lPlatformFailed();
  }
  const int32_t index = lFreeSlot();
  if (index < 0) {
    CloseHandle(file);
    return lFail(OJFS_ERR_NO_SLOT);
  }
  Slot& slot = gSlots[index];
  slot.kind = SlotKind::File;
  slot.file = file;
  std::strcpy(slot.physical, physical);
  return index;
}

int32_t gfsClose(int32_t handle) {
  Slot* slot = lSlot(handle, SlotKind::File);
  if (slot == nullptr)
    return -1;
  lRelease(slot);
  return 0;
}

int32_t gfsRead(int32_t handle, void* buffer, int32_t count) {
  Slot* slot = lSlot(handle, SlotKind::File);
  if (slot == nullptr)
    return -1;
  if (count < 0)
    return lFail(OJFS_ERR_INVALID_PARAMETER);
  DWORD read = 0;
  if (!ReadFile(slot->file, buffer, static_cast<DWORD>(count), &read, nullptr))
    return lPlatformFailed();
  return static_cast<int32_t>(read);
}

int32_t gfsWrite(int32_t handle, const void* buffer, int32_t count) {
  Slot* slot = lSlot(handle, SlotKind::File);
  if (slot == nullptr)
    return -1;
  if (count < 0)
    return lFail(OJFS_ERR_INVALID_PARAMETER);
  DWORD written = 0;
  if (!WriteFile(slot->file, buffer, static_cast<DWORD>(count), &written, nullptr) ||
      written < static_cast<DWORD>(count))
    return lPlatformFailed();
  return static_cast<int32_t>(written);
}

int32_t gfsSeek(int32_t handle, int32_t offset, int32_t whence) {
  Slot* slot = lSlot(handle, SlotKind::File);
  if (slot == nullptr)
    return -1;
  if (whence < 0 || whence > 2)
    return lFail(OJFS_ERR_INVALID_PARAMETER);
  const DWORD methods[3] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  if (SetFilePointer(slot->file, offset, nullptr, methods[whence]) == INVALID_SET_FILE_POINTER &&
      GetLastError() != ERROR_SUCCESS)
    return lPlatformFailed();
  return 0;
}

int32_t gfsTell(int32_t handle) {
  Slot* slot = lSlot(handle, SlotKind::File);
  if (slot == nullptr)
    return -1;
  const DWORD at = SetFilePointer(slot->file, 0, nullptr, FILE_CURRENT);
  if (at == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS)
    return lPlatformFailed();
  return static_cast<int32_t>(at);
}

int32_t gfsFlush(int32_t handle) {
  Slot* slot = lSlot(handle, SlotKind::File);
  if (slot == nullptr)
    return -1;
  return FlushFileBuffers(slot->file) ? 0 : lPlatformFailed();
}

// The status of a CE path; directoryFlag is OR'ed into the third word for a
// directory.
int32_t lStatPhysical(const char* physical, OjfsStat* status, uint32_t directoryFlag) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(lWide(physical).c_str(), GetFileExInfoStandard, &data))
    return lPlatformFailed();
  status->size = data.nFileSizeLow;
  status->flags1 = 0;
  status->flags2 = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? directoryFlag : 0;
  return 0;
}

int32_t gfsFstat(int32_t handle, OjfsStat* status) {
  Slot* slot = lSlot(handle, SlotKind::File);
  if (slot == nullptr)
    return -1;
  // The open file itself answers: its path may have been renamed meanwhile.
  const DWORD size = GetFileSize(slot->file, nullptr);
  if (size == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS)
    return lPlatformFailed();
  status->size = size;
  status->flags1 = 0;
  status->flags2 = 0;
  return 0;
}

int32_t gfsTruncate(int32_t handle, int32_t length) {
  Slot* slot = lSlot(handle, SlotKind::File);
  if (slot == nullptr)
    return -1;
  if (length < 0)
    return lFail(OJFS_ERR_INVALID_PARAMETER);
  if (SetFilePointer(slot->file, length, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
      GetLastError() != ERROR_SUCCESS)
    return lPlatformFailed();
  return SetEndOfFile(slot->file) ? 0 : lPlatformFailed();
}

int32_t gfsDelete(const char* path) {
  char physical[kGfsPathBytes];
  if (lTranslatePath(path, physical) != 0)
    return -1;
  return DeleteFileW(lWide(physical).c_str()) ? 0 : lPlatformFailed();
}

int32_t gfsRename(const char* from, const char* to) {
  char source[kGfsPathBytes], target[kGfsPathBytes];
  if (lTranslatePath(from, source) != 0 || lTranslatePath(to, target) != 0)
    return lFail(OJFS_ERR_BAD_PATH);
  return MoveFileExW(lWide(source).c_str(), lWide(target).c_str(), MOVEFILE_REPLACE_EXISTING) ? 0
                                                                                               : lPlatformFailed();
}

int32_t gfsFreeSpace(const char* path) {
  char physical[kGfsPathBytes];
  if (lTranslatePath(path, physical) != 0)
    return -1;
  // The nearest existing directory of the path answers for it.
  std::u16string probe = lWide(physical);
  ULARGE_INTEGER available{};
  while (!GetDiskFreeSpaceExW(probe.c_str(), &available, nullptr, nullptr)) {
    const size_t slash = probe.find_last_of(u'\\');
    if (slash == std::u16string::npos || probe.size() <= 1)
      return kGfsFreeSpace;
    probe.resize(slash == 0 ? 1 : slash);
  }
  return available.QuadPart < static_cast<uint64_t>(kGfsFreeSpace) ? static_cast<int32_t>(available.QuadPart)
                                                                     : kGfsFreeSpace;
}

int32_t gfsStat(const char* path, OjfsStat* status) {
  char physical[kGfsPathBytes];
  if (lTranslatePath(path, physical) != 0)
    return -1;
  const size_t n = std::strlen(physical);
  if (n > 1 && physical[n - 1] == '\\')
    physical[n - 1] = '\0';
  return lStatPhysical(physical, status, OJFS_FLAG_DIRECTORY);
}

int32_t gfsMkdir(const char* path) {
  char physical[kGfsPathBytes];
  if (lTranslatePath(path, physical) != 0)
    return -1;
  return CreateDirectoryW(lWide(physical).c_str(), nullptr) ? 0 : lPlatformFailed();
}

int32_t gfsRmdir(const char* path) {
  char physical[kGfsPathBytes];
  if (lTranslatePath(path, physical) != 0)
    return -1;
  return RemoveDirectoryW(lWide(physical).c_str()) ? 0 : lPlatformFailed();
}

int32_t gfsCreateWithSize(const char* path, int32_t size) {
  char physical[kGfsPathBytes];
  if (lTranslatePath(path, physical) != 0)
    return -1;
  if (size < 0)
    return lFail(OJFS_ERR_INVALID_PARAMETER);
  HANDLE file = CreateFileW(lWide(physical).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return lPlatformFailed();
  const bool ok = (SetFilePointer(file, size, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER ||
                   GetLastError() == ERROR_SUCCESS) &&
                  SetEndOfFile(file);
  const int32_t result = ok ? 0 : lPlatformFailed();
  CloseHandle(file);
  return result;
}

// Enumerates a directory: the names to keep (a first pass counts them, the
// second copies no more than counted). Names that do not fit their cell,
// the slot path or the dispatcher's entry URI are skipped.
bool lList(const char* physical, const char* uriPath, std::vector<std::string>* names) {
  std::string pattern = physical;
  if (pattern.empty() || pattern.back() != '\\')
    pattern.push_back('\\');
  pattern += "*.*";
  const std::u16string wide = lWide(pattern.c_str());
  size_t counted = 0;
  for (int pass = 0; pass < 2; ++pass) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(wide.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
      return false;
    do {
      if (pass == 0) {
        ++counted;
        continue;
      }
      if (names->size() == counted)
        break;
      const std::string name = WStringToUtf8(data.cFileName);
      const size_t uriLength = std::strlen(uriPath) + name.size();
      if (name.size() >= static_cast<size_t>(kGfsNameBytes) || uriLength >= static_cast<size_t>(kGfsPathBytes) ||
          std::strlen("gfs:") + uriLength + 1 >= static_cast<size_t>(kOjfsUriBytes))
        continue;
      names->push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  return true;
}

int32_t gfsOpendir(const char* path) {
  char physical[kGfsPathBytes];
  int32_t root = -1;
  if (lTranslate(path, physical, &root) != 0)
    return -1;
  const int32_t index = lFreeSlot();
  if (index < 0)
    return lFail(OJFS_ERR_NO_SLOT);
  Slot& slot = gSlots[index];
  if (physical[0] == '\0') {
    slot.kind = SlotKind::Roots;
    slot.next = 0;
    return index;
  }
  std::string uriPath = path;
  if (uriPath.back() != '/')
    uriPath.push_back('/');
  if (uriPath.size() >= static_cast<size_t>(kGfsPathBytes))
    return lFail(OJFS_ERR_BAD_PATH);
  std::vector<std::string> names;
  if (!lList(physical, uriPath.c_str(), &names))
    return lPlatformFailed();
  slot.kind = SlotKind::Listing;
  slot.names = std::move(names);
  slot.next = 0;
  std::strcpy(slot.uriPath, uriPath.c_str());
  std::string directory = physical;
  if (directory.back() != '\\')
    directory.push_back('\\');
  std::strncpy(slot.physical, directory.c_str(), sizeof slot.physical - 1);
  slot.physical[sizeof slot.physical - 1] = '\0';
  return index;
}

OjfsDirEntry* gfsReaddir(int32_t handle) {
  gError = OJFS_ERR_NONE;
  if (handle < 0 || handle >= kGfsSlots ||
      (gSlots[handle].kind != SlotKind::Listing && gSlots[handle].kind != SlotKind::Roots)) {
    gError = OJFS_ERR_BAD_HANDLE;
    return nullptr;
  }
  Slot& slot = gSlots[handle];
  if (slot.kind == SlotKind::Roots) {
    if (slot.next >= static_cast<size_t>(gRootCount))
      return nullptr;
    const RootCopy& root = gRoots[slot.next++];
    std::snprintf(slot.entryName, sizeof slot.entryName, "//%s", root.name);
    slot.entry = OjfsDirEntry{0, 26, 0, slot.entryName};
    return &slot.entry;
  }
  while (slot.next < slot.names.size()) {
    const std::string& name = slot.names[slot.next++];
    if (name == "." || name == "..")
      continue;
    const std::string entryName = std::string(slot.uriPath) + name;  // fits: checked when listed
    std::snprintf(slot.entryName, sizeof slot.entryName, "%s", entryName.c_str());
    OjfsStat status{};
    const std::string physical = std::string(slot.physical) + name;
    lStatPhysical(physical.c_str(), &status, OJFS_FLAG_DIRECTORY);
    gError = OJFS_ERR_NONE;
    slot.entry = OjfsDirEntry{0, status.flags2, status.size, slot.entryName};
    return &slot.entry;
  }
  return nullptr;
}

int32_t gfsClosedir(int32_t handle) {
  if (handle < 0 || handle >= kGfsSlots ||
      (gSlots[handle].kind != SlotKind::Listing && gSlots[handle].kind != SlotKind::Roots))
    return lFail(OJFS_ERR_BAD_HANDLE);
  lRelease(&gSlots[handle]);
  return 0;
}

int32_t gfsRewinddir(int32_t handle) {
  if (handle < 0 || handle >= kGfsSlots ||
      (gSlots[handle].kind != SlotKind::Listing && gSlots[handle].kind != SlotKind::Roots))
    return lFail(OJFS_ERR_BAD_HANDLE);
  gSlots[handle].next = 0;
  return 0;
}

int32_t gfsShutdown() {
  for (Slot& slot : gSlots)
    if (slot.kind != SlotKind::Free)
      lRelease(&slot);
  return 0;
}

int32_t gfsLastError() { return gError; }

}  // namespace

int32_t gfs_translatePath(const char* path, char* out) {
  int32_t root;
  return lTranslate(path, out, &root);
}

int32_t gfs_connectorInit(OjfsConnector* connector) {
  std::strcpy(connector->description, "General-File-System Connector");
  connector->scheme = "gfs";
  connector->operations = OjfsOperations{gfsOpen,  gfsClose,    gfsRead,      gfsWrite,     gfsSeek,
                                         gfsTell,  gfsFlush,    gfsFstat,     gfsTruncate,  gfsDelete,
                                         gfsRename, gfsFreeSpace, gfsStat,    gfsMkdir,     gfsRmdir,
                                         gfsCreateWithSize, gfsOpendir, gfsReaddir, gfsClosedir,
                                         gfsRewinddir, gfsShutdown, gfsLastError};
  gfsShutdown();
  gError = OJFS_ERR_NONE;
  gRootCount = 0;
  for (int32_t i = 0; i < kOjfsGfsRootCount; ++i) {
    RootCopy& root = gRoots[gRootCount];
    const char* name = kOjfsRoots[i].uri + std::strlen("gfs://");
    std::strncpy(root.name, name, sizeof root.name - 1);
    root.name[sizeof root.name - 1] = '\0';
    root.length = static_cast<int32_t>(std::strlen(root.name));
    if (ojfs_uriToPhysical(kOjfsRoots[i].uri, root.physical) != 0)
      continue;
    const size_t n = std::strlen(root.physical);
    if ((n == 0 || root.physical[n - 1] != '\\') && n + 1 < sizeof root.physical)
      std::strcat(root.physical, "\\");
    ++gRootCount;
  }
  return 0;
}
