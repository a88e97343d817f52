// The rom connector and its tree back end (see romfs.h).
#include "storage/romfs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "storage/romimage.h"
#include "storage/romtree.h"
#include "storage/roots.h"
#include "storage/trace.h"

namespace {

struct TreeSlot {
  bool inUse;
  const uint8_t* data;
  uint32_t size;
  uint32_t position;  // a listing: the index of the next child
  bool listing;
  int32_t node;
  OjfsDirEntry entry;
  char name[kRomNameBytes];
};

struct Registration {
  bool inUse;
  char name[kRomNameBytes];
  const uint8_t* data;
  uint32_t size;
};

// What a path names: a tree node, a registration, or nothing.
struct Found {
  int32_t node = -1;
  int32_t registration = -1;
};

int32_t gError = OJFS_ERR_NONE;
bool gImageMode = false;
TreeSlot gSlots[kRomTreeSlots];
Registration gRegistrations[kRomRegistrations];

std::vector<std::string> lComponents(const char* path) {
  std::vector<std::string> parts;
  std::string current;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '/') {
      if (!current.empty())
        parts.push_back(current);
      current.clear();
    } else {
      current.push_back(*p);
    }
  }
  if (!current.empty())
    parts.push_back(current);
  return parts;
}

Found lLookup(const char* path) {
  Found found;
  const std::vector<std::string> parts = lComponents(path);
  if (parts.empty()) {
    found.node = 0;
    return found;
  }
  int32_t node = kRomNodes[0].firstChild;
  size_t k = 0;
  int32_t steps = 0;
  while (node >= 0 && node < kRomNodeCount && steps++ < kRomNodeCount) {
    if (parts[k] == kRomNodes[node].name) {
      if (++k == parts.size()) {
        found.node = node;
        return found;
      }
      node = kRomNodes[node].firstChild;
    } else {
      node = kRomNodes[node].nextSibling;
    }
  }
  if (parts.size() == 1)
    for (int32_t i = 0; i < kRomRegistrations; ++i)
      if (gRegistrations[i].inUse && parts[0] == gRegistrations[i].name)
        found.registration = i;
  return found;
}

// "//" + the ancestors below the root, each with "/", + the node's name.
void lEntryName(int32_t node, char* out, size_t size) {
  std::string name = kRomNodes[node].name;
  int32_t steps = 0;
  for (int32_t p = kRomNodes[node].parent; p > 0 && steps++ < kRomNodeCount; p = kRomNodes[p].parent)
    name = std::string(kRomNodes[p].name) + "/" + name;
  std::snprintf(out, size, "//%s", name.c_str());
}

TreeSlot* lSlot(int32_t handle, bool listing) {
  if (handle < 0 || handle >= kRomTreeSlots || !gSlots[handle].inUse || gSlots[handle].listing != listing) {
    gError = OJFS_ERR_BAD_HANDLE;
    return nullptr;
  }
  return &gSlots[handle];
}

int32_t lTakeSlot() {
  for (int32_t i = 0; i < kRomTreeSlots; ++i)
    if (!gSlots[i].inUse)
      return i;
  return -1;
}

int32_t treeOpen(const char* path, OjfsOpenMode) {
  const Found found = lLookup(path);
  const uint8_t* data;
  uint32_t size;
  if (found.node >= 0 && !kRomNodes[found.node].isDirectory) {
    data = kRomNodes[found.node].data;
    size = kRomNodes[found.node].size;
  } else if (found.node < 0 && found.registration >= 0) {
    data = gRegistrations[found.registration].data;
    size = gRegistrations[found.registration].size;
  } else {
    return rom_fail(OJFS_ERR_BAD_PATH);
  }
  const int32_t index = lTakeSlot();
  if (index < 0)
    return rom_fail(OJFS_ERR_NO_SLOT);
  gSlots[index] = TreeSlot{};
  gSlots[index].inUse = true;
  gSlots[index].data = data;
  gSlots[index].size = size;
  gSlots[index].node = found.node;
  return index;
}

int32_t treeClose(int32_t handle) {
  TreeSlot* slot = lSlot(handle, false);
  if (slot == nullptr)
    return -1;
  slot->inUse = false;
  return 0;
}

int32_t treeRead(int32_t handle, void* buffer, int32_t count) {
  TreeSlot* slot = lSlot(handle, false);
  if (slot == nullptr)
    return -1;
  if (count < 0)
    return rom_fail(OJFS_ERR_INVALID_PARAMETER);
  if (slot->position >= slot->size) {
    gError = OJFS_ERR_POSITION;
    return 0;
  }
  const uint32_t n = std::min(slot->size - slot->position, static_cast<uint32_t>(count));
  std::memcpy(buffer, slot->data + slot->position, n);
  slot->position += n;
  return static_cast<int32_t>(n);
}

int32_t treeSeek(int32_t handle, int32_t offset, int32_t whence) {
  TreeSlot* slot = lSlot(handle, false);
  if (slot == nullptr)
    return -1;
  int64_t base;
  switch (whence) {
    case 0: base = 0; break;
    case 1: base = slot->position; break;
    case 2: base = slot->size; break;
    default: return rom_fail(OJFS_ERR_INVALID_PARAMETER);
  }
  int64_t at = base + offset;
  at = at < 0 ? 0 : at > slot->size ? slot->size : at;
  slot->position = static_cast<uint32_t>(at);
  return 0;
}

int32_t treeTell(int32_t handle) {
  TreeSlot* slot = lSlot(handle, false);
  return slot == nullptr ? -1 : static_cast<int32_t>(slot->position);
}

void lTreeStatus(uint32_t size, bool directory, OjfsStat* status) {
  *status = OjfsStat{size, 8, directory ? OJFS_FLAG_DIRECTORY : 0u};
}

int32_t treeFstat(int32_t handle, OjfsStat* status) {
  TreeSlot* slot = lSlot(handle, false);
  if (slot == nullptr)
    return -1;
  lTreeStatus(slot->size, false, status);
  return 0;
}

int32_t treeStat(const char* path, OjfsStat* status) {
  if (status == nullptr)
    return rom_fail(OJFS_ERR_INVALID_PARAMETER);
  const Found found = lLookup(path);
  if (found.node >= 0)
    lTreeStatus(kRomNodes[found.node].size, kRomNodes[found.node].isDirectory, status);
  else if (found.registration >= 0)
    lTreeStatus(gRegistrations[found.registration].size, false, status);
  else
    return rom_fail(OJFS_ERR_BAD_PATH);
  return 0;
}

int32_t treeOpendir(const char* path) {
  const Found found = lLookup(path);
  if (found.node < 0 || !kRomNodes[found.node].isDirectory)
    return rom_fail(OJFS_ERR_NOT_DIRECTORY);
  const int32_t index = lTakeSlot();
  if (index < 0)
    return rom_fail(OJFS_ERR_NO_SLOT);
  gSlots[index] = TreeSlot{};
  gSlots[index].inUse = true;
  gSlots[index].listing = true;
  gSlots[index].node = found.node;
  return index;
}

OjfsDirEntry* treeReaddir(int32_t handle) {
  gError = OJFS_ERR_NONE;
  TreeSlot* slot = lSlot(handle, true);
  if (slot == nullptr)
    return nullptr;
  int32_t child = kRomNodes[slot->node].firstChild;
  for (uint32_t i = 0; i < slot->position && child >= 0; ++i)
    child = kRomNodes[child].nextSibling;
  if (child < 0)
    return nullptr;
  ++slot->position;
  lEntryName(child, slot->name, sizeof slot->name);
  const RomNode& node = kRomNodes[child];
  slot->entry = OjfsDirEntry{0, node.isDirectory ? OJFS_FLAG_DIRECTORY : 0u, node.size, slot->name};
  return &slot->entry;
}

int32_t treeClosedir(int32_t handle) {
  TreeSlot* slot = lSlot(handle, true);
  if (slot == nullptr)
    return -1;
  slot->inUse = false;
  return 0;
}

int32_t treeRewinddir(int32_t handle) {
  TreeSlot* slot = lSlot(handle, true);
  if (slot == nullptr)
    return -1;
  slot->position = 0;
  return 0;
}

int32_t treeShutdown() {
  for (TreeSlot& slot : gSlots)
    slot.inUse = false;
  return 0;
}

}  // namespace

int32_t rom_lastError() { return gError; }

int32_t rom_fail(int32_t code) {
  gError = code;
  return -1;
}

void rom_setError(int32_t code) { gError = code; }

bool ojfs_rom_imageMode() { return gImageMode; }

int32_t rom_connectorInit(OjfsConnector* connector) {
  std::strcpy(connector->description, "ROM-Files Connector");
  connector->scheme = "rom";
  connector->operations = OjfsOperations{};
  OjfsOperations& ops = connector->operations;
  ops.open = treeOpen;
  ops.close = treeClose;
  ops.read = treeRead;
  ops.seek = treeSeek;
  ops.tell = treeTell;
  ops.fstat = treeFstat;
  ops.stat = treeStat;
  ops.opendir = treeOpendir;
  ops.readdir = treeReaddir;
  ops.closedir = treeClosedir;
  ops.rewinddir = treeRewinddir;
  ops.shutdown = treeShutdown;
  ops.lastError = rom_lastError;
  treeShutdown();
  for (Registration& r : gRegistrations)
    r = Registration{};
  gError = OJFS_ERR_NONE;
  gImageMode = false;
  char physical[kOjfsPathBytes];
  if (ojfs_uriToPhysical("gfs://java/OJFS2_Rom.bin", physical) == 0 && romimage_load(physical)) {
    gImageMode = true;
    ops = romimage_operations();
    ops.lastError = rom_lastError;
  }
  // The writing operations of both back ends.
  ops.write = [](int32_t, const void*, int32_t) { return rom_fail(OJFS_ERR_NOT_SUPPORTED); };
  ops.flush = [](int32_t) { return rom_fail(OJFS_ERR_NOT_SUPPORTED); };
  ops.truncate = [](int32_t, int32_t) { return rom_fail(OJFS_ERR_NOT_SUPPORTED); };
  ops.remove = [](const char*) { return rom_fail(OJFS_ERR_NOT_SUPPORTED); };
  ops.rename = [](const char*, const char*) { return rom_fail(OJFS_ERR_NOT_SUPPORTED); };
  ops.freeSpace = [](const char*) { return rom_fail(OJFS_ERR_NOT_SUPPORTED); };
  ops.mkdir = [](const char*) { return rom_fail(OJFS_ERR_NOT_SUPPORTED); };
  ops.rmdir = [](const char*) { return rom_fail(OJFS_ERR_NOT_SUPPORTED); };
  ops.createWithSize = [](const char*, int32_t) { return rom_fail(OJFS_ERR_NOT_SUPPORTED); };
  return 0;
}

const uint8_t* ojfs_rom_getFileDataPointer(const char* uri, uint32_t* size) {
  if (uri == nullptr || std::strncmp(uri, "rom://", 6) != 0) {
    if (trace_isLevelOn(kTraceLevelError, "ojfs2_rom", "ojfs_rom_getFileDataPointer")) {
      trace_setLocation("ojfs2_rom", "ojfs_rom_getFileDataPointer", __LINE__);
      trace_format("not a vaild URI for ROM connector, uri=%s", uri != nullptr ? uri : "");
      trace_emit();
    }
    return nullptr;
  }
  const Found found = lLookup(uri + 4);
  if (found.node >= 0 && !kRomNodes[found.node].isDirectory) {
    if (size != nullptr)
      *size = kRomNodes[found.node].size;
    return kRomNodes[found.node].data;
  }
  if (found.node < 0 && found.registration >= 0) {
    if (size != nullptr)
      *size = gRegistrations[found.registration].size;
    return gRegistrations[found.registration].data;
  }
  gError = OJFS_ERR_BAD_PATH;
  return nullptr;
}

int32_t ojfs_rom_registerFile(const char* name, const uint8_t* data, uint32_t size) {
  if (name == nullptr || *name == '\0' || std::strlen(name) >= static_cast<size_t>(kRomNameBytes) ||
      std::strchr(name, '/') != nullptr)
    return rom_fail(OJFS_ERR_BAD_PATH);
  int32_t target = -1;
  for (int32_t i = 0; i < kRomRegistrations; ++i)
    if (gRegistrations[i].inUse && std::strcmp(gRegistrations[i].name, name) == 0)
      target = i;
  for (int32_t i = 0; i < kRomRegistrations && target < 0; ++i)
    if (!gRegistrations[i].inUse)
      target = i;
  if (target < 0)
    return rom_fail(OJFS_ERR_NO_REGISTRATION);
  Registration& r = gRegistrations[target];
  r.inUse = true;
  std::strcpy(r.name, name);
  r.data = data;
  r.size = size;
  return 0;
}

int32_t ojfs_rom_unregisterFile(const char* name) {
  for (Registration& r : gRegistrations)
    if (name != nullptr && r.inUse && std::strcmp(r.name, name) == 0) {
      r = Registration{};
      return 0;
    }
  return rom_fail(OJFS_ERR_BAD_PATH);
}
