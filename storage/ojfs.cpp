// The file-system dispatcher (see ojfs.h).
#include "storage/ojfs.h"

#include <cstring>

#include "storage/gfs.h"
#include "storage/romfs.h"

namespace {

struct ConnectorListEntry {
  bool present;
  OjfsConnectorInit init;
};

// The connectors of the product, registered in this order.
constexpr ConnectorListEntry kConnectorList[] = {
    {true, gfs_connectorInit},
    {true, rom_connectorInit},
    {false, nullptr},
};

struct FileSlot {
  bool inUse;
  int32_t connector;
  int32_t handle;
};

struct DirSlot {
  bool inUse;
  int32_t connector;
  int32_t handle;
  char uri[kOjfsUriBytes];
  OjfsDirEntry entry;
};

bool gInitialised = false;
int32_t gLastError = OJFS_ERR_NONE;
OjfsConnector gConnectors[kOjfsMaxConnectors];
int32_t gConnectorCount = 0;
FileSlot gFiles[kOjfsFileHandles];
DirSlot gDirs[kOjfsDirHandles];
OjfsConnectorInit gExtraInit = nullptr;

int32_t lFail(int32_t code) {
  gLastError = code;
  return -1;
}

// The connector's own code after it failed.
int32_t lConnectorFailed(int32_t connector) {
  const OjfsOperations& ops = gConnectors[connector].operations;
  gLastError = ops.lastError != nullptr ? ops.lastError() : OJFS_ERR_PLATFORM;
  return -1;
}

// Splits a URI at its first ":": the connector index and the rest; -1 with
// the last error set when there is none.
int32_t lSplit(const char* uri, const char** rest) {
  if (uri == nullptr)
    return lFail(OJFS_ERR_INVALID_PARAMETER);
  const char* colon = std::strchr(uri, ':');
  if (colon == nullptr || colon == uri)
    return lFail(OJFS_ERR_BAD_PATH);
  const size_t length = static_cast<size_t>(colon - uri);
  for (int32_t i = 0; i < gConnectorCount; ++i) {
    const char* scheme = gConnectors[i].scheme;
    if (std::strlen(scheme) == length && std::memcmp(scheme, uri, length) == 0) {
      *rest = colon + 1;
      return i;
    }
  }
  return lFail(OJFS_ERR_NO_CONNECTOR);
}

FileSlot* lFile(OjfsHandle handle) {
  if (handle < 0 || handle >= kOjfsFileHandles || !gFiles[handle].inUse) {
    gLastError = OJFS_ERR_BAD_HANDLE;
    return nullptr;
  }
  return &gFiles[handle];
}

DirSlot* lDir(int32_t handle) {
  if (handle < 0 || handle >= kOjfsDirHandles || !gDirs[handle].inUse) {
    gLastError = OJFS_ERR_BAD_HANDLE;
    return nullptr;
  }
  return &gDirs[handle];
}

int32_t lResult(int32_t connector, int32_t result) {
  return result == -1 ? lConnectorFailed(connector) : result;
}

// The connector of a URI for a path operation; -1 with the last error set.
int32_t lPathConnector(const char* uri, const char** rest) {
  gLastError = OJFS_ERR_NONE;
  return lSplit(uri, rest);
}

// The slot of a handle operation whose pointer argument is pointerOk; null
// with the last error set.
FileSlot* lHandleSlot(OjfsHandle handle, bool pointerOk) {
  gLastError = OJFS_ERR_NONE;
  FileSlot* slot = lFile(handle);
  if (slot != nullptr && !pointerOk) {
    gLastError = OJFS_ERR_INVALID_PARAMETER;
    return nullptr;
  }
  return slot;
}

const OjfsOperations& lOpsOf(const FileSlot* slot) { return gConnectors[slot->connector].operations; }

}  // namespace

void ojfs_setExtraConnectorForTest(OjfsConnectorInit init) { gExtraInit = init; }

int32_t ojfs_init() {
  if (gInitialised)
    return -1;
  gConnectorCount = 0;
  std::memset(gFiles, 0, sizeof gFiles);
  std::memset(gDirs, 0, sizeof gDirs);
  for (const ConnectorListEntry& entry : kConnectorList) {
    if (!entry.present || gConnectorCount == kOjfsMaxConnectors)
      continue;
    OjfsConnector* record = &gConnectors[gConnectorCount];
    *record = OjfsConnector{};
    if (entry.init(record) == 0)
      ++gConnectorCount;
  }
  if (gExtraInit != nullptr && gConnectorCount < kOjfsMaxConnectors) {
    gConnectors[gConnectorCount] = OjfsConnector{};
    if (gExtraInit(&gConnectors[gConnectorCount]) == 0)
      ++gConnectorCount;
  }
  gInitialised = true;
  gLastError = OJFS_ERR_NONE;
  return 0;
}

int32_t ojfs_fini() {
  if (!gInitialised)
    return -1;
  for (FileSlot& slot : gFiles)
    if (slot.inUse && gConnectors[slot.connector].operations.close != nullptr)
      gConnectors[slot.connector].operations.close(slot.handle);
  for (DirSlot& slot : gDirs)
    if (slot.inUse && gConnectors[slot.connector].operations.closedir != nullptr)
      gConnectors[slot.connector].operations.closedir(slot.handle);
  for (int32_t i = 0; i < gConnectorCount; ++i)
    if (gConnectors[i].operations.shutdown != nullptr)
      gConnectors[i].operations.shutdown();
  std::memset(gFiles, 0, sizeof gFiles);
  std::memset(gDirs, 0, sizeof gDirs);
  gConnectorCount = 0;
  gInitialised = false;
  return 0;
}

int32_t ojfs_getLastError() { return gLastError; }

int32_t ojfs_listConnectors(OjfsConnectorName names[kOjfsMaxConnectors]) {
  for (int32_t i = 0; i < gConnectorCount; ++i)
    names[i] = OjfsConnectorName{gConnectors[i].description, gConnectors[i].scheme};
  return gConnectorCount;
}

OjfsHandle ojfs_open(const char* uri, OjfsOpenMode mode) {
  gLastError = OJFS_ERR_NONE;
  const char* rest = nullptr;
  const int32_t connector = lSplit(uri, &rest);
  if (connector < 0)
    return -1;
  int32_t slot = 0;
  while (slot < kOjfsFileHandles && gFiles[slot].inUse)
    ++slot;
  if (slot == kOjfsFileHandles)
    return lFail(OJFS_ERR_NO_HANDLE);
  const OjfsOperations& ops = gConnectors[connector].operations;
  if (ops.open == nullptr)
    return lFail(OJFS_ERR_NOT_SUPPORTED);
  const int32_t handle = ops.open(rest, mode);
  if (handle == -1)
    return lConnectorFailed(connector);
  gFiles[slot] = FileSlot{true, connector, handle};
  return slot;
}

int32_t ojfs_close(OjfsHandle handle) {
  gLastError = OJFS_ERR_NONE;
  FileSlot* slot = lFile(handle);
  if (slot == nullptr)
    return -1;
  const FileSlot taken = *slot;
  *slot = FileSlot{};
  const OjfsOperations& ops = gConnectors[taken.connector].operations;
  if (ops.close == nullptr)
    return lFail(OJFS_ERR_NOT_SUPPORTED);
  return ops.close(taken.handle) == -1 ? lConnectorFailed(taken.connector) : 0;
}

#define OJFS_HANDLE_OPERATION(handle, pointerOk, member, ...)      \
  FileSlot* slot = lHandleSlot((handle), (pointerOk));             \
  if (slot == nullptr)                                             \
    return -1;                                                     \
  if (lOpsOf(slot).member == nullptr)                              \
    return lFail(OJFS_ERR_NOT_SUPPORTED);                          \
  return lResult(slot->connector, lOpsOf(slot).member(slot->handle, ##__VA_ARGS__))

#define OJFS_PATH_OPERATION(uri, member, ...)                      \
  const char* rest = nullptr;                                      \
  const int32_t connector = lPathConnector((uri), &rest);          \
  if (connector < 0)                                               \
    return -1;                                                     \
  const OjfsOperations& ops = gConnectors[connector].operations;   \
  if (ops.member == nullptr)                                       \
    return lFail(OJFS_ERR_NOT_SUPPORTED);                          \
  return lResult(connector, ops.member(rest, ##__VA_ARGS__))

int32_t ojfs_read(OjfsHandle handle, void* buffer, int32_t count) {
  OJFS_HANDLE_OPERATION(handle, buffer != nullptr, read, buffer, count);
}

int32_t ojfs_write(OjfsHandle handle, const void* buffer, int32_t count) {
  OJFS_HANDLE_OPERATION(handle, buffer != nullptr, write, buffer, count);
}

int32_t ojfs_seek(OjfsHandle handle, int32_t offset, int32_t whence) {
  OJFS_HANDLE_OPERATION(handle, true, seek, offset, whence);
}

int32_t ojfs_tell(OjfsHandle handle) { OJFS_HANDLE_OPERATION(handle, true, tell); }

int32_t ojfs_flush(OjfsHandle handle) { OJFS_HANDLE_OPERATION(handle, true, flush); }

int32_t ojfs_fstat(OjfsHandle handle, OjfsStat* status) {
  OJFS_HANDLE_OPERATION(handle, status != nullptr, fstat, status);
}

int32_t ojfs_truncate(OjfsHandle handle, int32_t length) {
  OJFS_HANDLE_OPERATION(handle, true, truncate, length);
}

int32_t ojfs_readByte(OjfsHandle handle) {
  uint8_t byte;
  return ojfs_read(handle, &byte, 1) == 1 ? byte : -1;
}

int32_t ojfs_writeByte(OjfsHandle handle, int32_t value) {
  const uint8_t byte = static_cast<uint8_t>(value);
  return ojfs_write(handle, &byte, 1) == 1 ? value : -1;
}

int32_t ojfs_delete(const char* uri) { OJFS_PATH_OPERATION(uri, remove); }

int32_t ojfs_stat(const char* uri, OjfsStat* status) {
  if (status == nullptr) {
    gLastError = OJFS_ERR_NONE;
    return lFail(OJFS_ERR_INVALID_PARAMETER);
  }
  OJFS_PATH_OPERATION(uri, stat, status);
}

int32_t ojfs_mkdir(const char* uri) { OJFS_PATH_OPERATION(uri, mkdir); }

int32_t ojfs_rmdir(const char* uri) { OJFS_PATH_OPERATION(uri, rmdir); }

int32_t ojfs_getFreeSpace(const char* uri) { OJFS_PATH_OPERATION(uri, freeSpace); }

int32_t ojfs_rename(const char* from, const char* to) {
  gLastError = OJFS_ERR_NONE;
  const char* fromRest = nullptr;
  const char* toRest = nullptr;
  const int32_t connector = lSplit(from, &fromRest);
  if (connector < 0)
    return -1;
  const int32_t other = lSplit(to, &toRest);
  if (other < 0)
    return -1;
  if (other != connector)
    return lFail(OJFS_ERR_BAD_PATH);
  const OjfsOperations& ops = gConnectors[connector].operations;
  if (ops.rename == nullptr)
    return lFail(OJFS_ERR_NOT_SUPPORTED);
  return lResult(connector, ops.rename(fromRest, toRest));
}

int32_t ojfs_opendir(const char* uri) {
  const char* rest = nullptr;
  const int32_t connector = lPathConnector(uri, &rest);
  if (connector < 0)
    return -1;
  int32_t slot = 0;
  while (slot < kOjfsDirHandles && gDirs[slot].inUse)
    ++slot;
  if (slot == kOjfsDirHandles)
    return lFail(OJFS_ERR_NO_HANDLE);
  const OjfsOperations& ops = gConnectors[connector].operations;
  if (ops.opendir == nullptr || ops.readdir == nullptr)
    return lFail(OJFS_ERR_NOT_SUPPORTED);
  const int32_t handle = ops.opendir(rest);
  if (handle == -1)
    return lConnectorFailed(connector);
  gDirs[slot] = DirSlot{};
  gDirs[slot].inUse = true;
  gDirs[slot].connector = connector;
  gDirs[slot].handle = handle;
  return slot;
}

OjfsDirEntry* ojfs_readdir(int32_t handle) {
  gLastError = OJFS_ERR_NONE;
  DirSlot* slot = lDir(handle);
  if (slot == nullptr)
    return nullptr;
  const OjfsConnector& connector = gConnectors[slot->connector];
  for (;;) {
    OjfsDirEntry* entry = connector.operations.readdir(slot->handle);
    if (entry == nullptr) {
      lConnectorFailed(slot->connector);
      return nullptr;
    }
    const char* name = entry->name != nullptr ? entry->name : "";
    const bool directory = (entry->flags & OJFS_FLAG_DIRECTORY) != 0;
    const size_t length = std::strlen(connector.scheme) + 1 + std::strlen(name) + (directory ? 1 : 0);
    if (length >= sizeof slot->uri)
      continue;  // a name that does not fit is skipped, never cut
    std::strcpy(slot->uri, connector.scheme);
    std::strcat(slot->uri, ":");
    std::strcat(slot->uri, name);
    if (directory)
      std::strcat(slot->uri, "/");
    slot->entry = OjfsDirEntry{entry->reserved, entry->flags, entry->size, slot->uri};
    return &slot->entry;
  }
}

int32_t ojfs_closedir(int32_t handle) {
  gLastError = OJFS_ERR_NONE;
  DirSlot* slot = lDir(handle);
  if (slot == nullptr)
    return -1;
  const int32_t connector = slot->connector;
  const int32_t own = slot->handle;
  *slot = DirSlot{};
  const OjfsOperations& ops = gConnectors[connector].operations;
  if (ops.closedir == nullptr)
    return lFail(OJFS_ERR_NOT_SUPPORTED);
  return ops.closedir(own) == -1 ? lConnectorFailed(connector) : 0;
}

int32_t ojfs_rewinddir(int32_t handle) {
  gLastError = OJFS_ERR_NONE;
  DirSlot* slot = lDir(handle);
  if (slot == nullptr)
    return -1;
  const OjfsOperations& ops = gConnectors[slot->connector].operations;
  if (ops.rewinddir == nullptr)
    return lFail(OJFS_ERR_NOT_SUPPORTED);
  return lResult(slot->connector, ops.rewinddir(slot->handle));
}
