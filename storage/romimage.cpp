// The image back end of the rom connector (see romimage.h).
#include "storage/romimage.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "ce/base/lasterror.h"
#include "ce/fs/file.h"
#include "port/support/strconv.h"
#include "storage/romfs.h"
#include "storage/trace.h"

namespace {

constexpr uint16_t kNone = 0xFFFF;
constexpr int32_t kHandleFlags = 128;
// id, name length, NUL, parent, first child, next sibling, type, size, offset
constexpr uint64_t kMinEntryBytes = 2 + 2 + 1 + 2 + 2 + 2 + 2 + 4 + 4;

struct Entry {
  std::string name;
  uint16_t parent;
  uint16_t firstChild;
  uint16_t nextSibling;
  bool directory;
  uint32_t size;
  uint32_t offset;
};

struct OpenState {
  uint16_t entry;
  uint64_t position;
  bool listing;
  uint16_t nextChild;
  OjfsDirEntry record;
  char name[kRomNameBytes];
};

std::vector<Entry> gEntries;
HANDLE gImage = nullptr;
bool gTaken[kHandleFlags];
std::map<int32_t, OpenState> gOpen;

// Reads exactly n bytes at the current position.
bool lReadExact(HANDLE file, void* buffer, DWORD n) {
  DWORD read = 0;
  return ReadFile(file, buffer, n, &read, nullptr) && read == n;
}

bool lReadU16(HANDLE file, uint16_t* value) {
  uint8_t b[2];
  if (!lReadExact(file, b, 2))
    return false;
  *value = static_cast<uint16_t>(b[0] | (b[1] << 8));
  return true;
}

bool lReadU32(HANDLE file, uint32_t* value) {
  uint8_t b[4];
  if (!lReadExact(file, b, 4))
    return false;
  *value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
  return true;
}

// Reads and checks the header; an empty reason when it is sound.
std::string lLoad(HANDLE file, uint64_t fileSize, std::vector<Entry>* entries) {
  uint16_t count;
  if (!lReadU16(file, &count) || count == 0)
    return "no entries";
  if (2 + count * kMinEntryBytes > fileSize)
    return "entry count beyond the file";
  entries->resize(count);
  for (uint16_t i = 0; i < count; ++i) {
    Entry& e = (*entries)[i];
    uint16_t id, length, type;
    if (!lReadU16(file, &id) || !lReadU16(file, &length))
      return "entry cut";
    std::vector<char> name(static_cast<size_t>(length) + 1);
    if (!lReadExact(file, name.data(), static_cast<DWORD>(name.size())) || name[length] != '\0' ||
        std::memchr(name.data(), '\0', length) != nullptr || length >= kRomNameBytes)
      return "bad name";
    e.name.assign(name.data(), length);
    if (!lReadU16(file, &e.parent) || !lReadU16(file, &e.firstChild) || !lReadU16(file, &e.nextSibling) ||
        !lReadU16(file, &type) || !lReadU32(file, &e.size) || !lReadU32(file, &e.offset))
      return "entry cut";
    e.directory = type == 1;
    for (uint16_t index : {e.parent, e.firstChild, e.nextSibling})
      if (index != kNone && index >= count)
        return "index out of range";
    if (!e.directory && uint64_t{e.offset} + 4 + e.size > fileSize)
      return "file data beyond the image";
  }
  if (!(*entries)[0].directory)
    return "entry 0 is no directory";
  return std::string();
}

int32_t lFindEntry(const char* path) {
  uint32_t current = 0;
  std::string component;
  const size_t n = gEntries.size();
  const char* p = path;
  while (true) {
    const char* end = std::strchr(p, '/');
    if (end == nullptr)
      end = p + std::strlen(p);
    component.assign(p, end);
    if (!component.empty()) {
      uint16_t child = gEntries[current].firstChild;
      size_t steps = 0;
      while (child != kNone && steps++ < n && gEntries[child].name != component)
        child = gEntries[child].nextSibling;
      if (child == kNone || steps > n)
        return -1;
      current = child;
    }
    if (*end == '\0')
      return static_cast<int32_t>(current);
    p = end + 1;
  }
}

void lEntryName(uint16_t entry, char* out, size_t size) {
  std::string name = gEntries[entry].name;
  size_t steps = 0;
  for (uint16_t p = gEntries[entry].parent; p != kNone && p != 0 && steps++ < gEntries.size(); p = gEntries[p].parent)
    name = gEntries[p].name + "/" + name;
  std::snprintf(out, size, "//%s", name.c_str());
}

int32_t lTakeHandle() {
  for (int32_t i = kHandleFlags - 1; i > 0; --i)
    if (!gTaken[i]) {
      gTaken[i] = true;
      return i;
    }
  return -1;
}

OpenState* lState(int32_t handle, bool listing) {
  const auto it = gOpen.find(handle);
  if (it == gOpen.end() || it->second.listing != listing) {
    rom_setError(OJFS_ERR_BAD_HANDLE);
    return nullptr;
  }
  return &it->second;
}

void lRelease(int32_t handle) {
  gOpen.erase(handle);
  gTaken[handle] = false;
}

int32_t imageOpen(const char* path, OjfsOpenMode) {
  const int32_t entry = lFindEntry(path);
  if (entry < 0 || gEntries[static_cast<size_t>(entry)].directory)
    return rom_fail(OJFS_ERR_BAD_PATH);
  const int32_t handle = lTakeHandle();
  if (handle < 0)
    return rom_fail(OJFS_ERR_NO_SLOT);
  gOpen[handle] = OpenState{static_cast<uint16_t>(entry), 0, false, kNone, {}, {}};
  return handle;
}

int32_t imageClose(int32_t handle) {
  if (lState(handle, false) == nullptr)
    return -1;
  lRelease(handle);
  return 0;
}

int32_t imageRead(int32_t handle, void* buffer, int32_t count) {
  OpenState* state = lState(handle, false);
  if (state == nullptr)
    return -1;
  const Entry& e = gEntries[state->entry];
  if (count < 0)
    return rom_fail(OJFS_ERR_INVALID_PARAMETER);
  if (state->position >= e.size)
    return rom_fail(OJFS_ERR_POSITION);
  const uint64_t at = uint64_t{e.offset} + 4 + state->position;
  LONG high = static_cast<LONG>(at >> 32);
  if (SetFilePointer(gImage, static_cast<LONG>(static_cast<uint32_t>(at)), &high, FILE_BEGIN) ==
          INVALID_SET_FILE_POINTER &&
      GetLastError() != ERROR_SUCCESS)
    return rom_fail(OJFS_ERR_PLATFORM);
  const uint64_t left = e.size - state->position;
  const DWORD n = static_cast<DWORD>(left < static_cast<uint64_t>(count) ? left : static_cast<uint64_t>(count));
  DWORD read = 0;
  if (!ReadFile(gImage, buffer, n, &read, nullptr))
    return rom_fail(OJFS_ERR_PLATFORM);
  state->position += read;
  return static_cast<int32_t>(read);
}

int32_t imageSeek(int32_t handle, int32_t offset, int32_t whence) {
  OpenState* state = lState(handle, false);
  if (state == nullptr)
    return -1;
  const uint32_t size = gEntries[state->entry].size;
  int64_t base;
  switch (whence) {
    case 0: base = 0; break;
    case 1: base = static_cast<int64_t>(state->position); break;
    case 2: base = size; break;
    default: return rom_fail(OJFS_ERR_INVALID_PARAMETER);
  }
  const int64_t at = base + offset;
  if (at < 0 || at > size)
    return rom_fail(OJFS_ERR_POSITION);
  state->position = static_cast<uint64_t>(at);
  return 0;
}

int32_t imageTell(int32_t handle) {
  OpenState* state = lState(handle, false);
  return state == nullptr ? -1 : static_cast<int32_t>(state->position);
}

void lStatus(const Entry& e, OjfsStat* status) {
  *status = OjfsStat{e.directory ? 0u : e.size, e.directory ? 24u : 8u, 1};
}

int32_t imageFstat(int32_t handle, OjfsStat* status) {
  OpenState* state = lState(handle, false);
  if (state == nullptr)
    return -1;
  lStatus(gEntries[state->entry], status);
  return 0;
}

int32_t imageStat(const char* path, OjfsStat* status) {
  if (status == nullptr)
    return rom_fail(OJFS_ERR_INVALID_PARAMETER);
  const int32_t entry = lFindEntry(path);
  if (entry < 0)
    return rom_fail(OJFS_ERR_BAD_PATH);
  lStatus(gEntries[static_cast<size_t>(entry)], status);
  return 0;
}

int32_t imageOpendir(const char* path) {
  const int32_t entry = lFindEntry(path);
  if (entry < 0 || !gEntries[static_cast<size_t>(entry)].directory)
    return rom_fail(OJFS_ERR_BAD_PATH);
  const int32_t handle = lTakeHandle();
  if (handle < 0)
    return rom_fail(OJFS_ERR_NO_SLOT);
  gOpen[handle] = OpenState{static_cast<uint16_t>(entry), 0, true, gEntries[static_cast<size_t>(entry)].firstChild,
                            {}, {}};
  return handle;
}

OjfsDirEntry* imageReaddir(int32_t handle) {
  OpenState* state = lState(handle, true);
  if (state == nullptr)
    return nullptr;
  // Each call is one step: at most N steps list any chain, a cycle included.
  if (state->nextChild == kNone || state->position >= gEntries.size()) {
    rom_setError(OJFS_ERR_NO_MORE_ENTRIES);
    return nullptr;
  }
  const uint16_t child = state->nextChild;
  state->nextChild = gEntries[child].nextSibling;
  ++state->position;
  const Entry& e = gEntries[child];
  lEntryName(child, state->name, sizeof state->name);
  state->record = OjfsDirEntry{0, e.directory ? OJFS_FLAG_DIRECTORY : 0u, e.directory ? 0u : e.size, state->name};
  return &state->record;
}

int32_t imageClosedir(int32_t handle) {
  if (lState(handle, true) == nullptr)
    return -1;
  lRelease(handle);
  return 0;
}

int32_t imageRewinddir(int32_t handle) {
  OpenState* state = lState(handle, true);
  if (state == nullptr)
    return -1;
  state->nextChild = gEntries[state->entry].firstChild;
  state->position = 0;
  return 0;
}

int32_t imageShutdown() {
  if (gImage != nullptr)
    CloseHandle(gImage);
  gImage = nullptr;
  gEntries.clear();
  gOpen.clear();
  std::memset(gTaken, 0, sizeof gTaken);
  return 0;
}

}  // namespace

bool romimage_load(const char* cePath) {
  imageShutdown();
  const std::u16string path = Utf8ToWString(cePath);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  const uint64_t size = (uint64_t{high} << 32) | low;
  std::vector<Entry> entries;
  const std::string reason = lLoad(file, size, &entries);
  if (!reason.empty()) {
    CloseHandle(file);
    TRACE_REPORT(kTraceLevelError, "ROM image %s not used: %s", cePath, reason.c_str());
    return false;
  }
  gEntries = std::move(entries);
  gImage = file;
  return true;
}

OjfsOperations romimage_operations() {
  OjfsOperations ops{};
  ops.open = imageOpen;
  ops.close = imageClose;
  ops.read = imageRead;
  ops.seek = imageSeek;
  ops.tell = imageTell;
  ops.fstat = imageFstat;
  ops.stat = imageStat;
  ops.opendir = imageOpendir;
  ops.readdir = imageReaddir;
  ops.closedir = imageClosedir;
  ops.rewinddir = imageRewinddir;
  ops.shutdown = imageShutdown;
  return ops;
}
