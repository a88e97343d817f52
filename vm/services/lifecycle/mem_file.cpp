// Named in-memory files (see mem_file.h).
#include "vm/services/lifecycle/mem_file.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"

namespace {

constexpr int32_t kRegularReadable = 33024;

struct Window {
  uint8_t data[kVsMemFile_windowBytes];
  VmWord file;     // slot address, 0 for none
  int32_t start;   // -1 when invalid
  int32_t length;  // bytes valid from start
};

VS_VMBSS(VsMemFile[kVsMemFile_slots]) gFiles = {};
VS_VMBSS(Window) gWindow = {};

// The name as stored: its first 31 characters.
size_t storedLength(const char* name) { return strnlen(name, kVsMemFile_nameBytes - 1); }

bool sameName(const VsMemFile& file, const char* name) {
  const size_t n = storedLength(name);
  return file.name[0] != '\0' && std::strncmp(file.name, name, n) == 0 && file.name[n] == '\0';
}

VsMemFile* firstNamed(const char* name) {
  if (name == nullptr || name[0] == '\0')
    return nullptr;
  for (VsMemFile& f : gFiles) {
    if (sameName(f, name))
      return &f;
  }
  return nullptr;
}

VsMemFile* freeSlot() {
  for (VsMemFile& f : gFiles) {
    if (f.name[0] == '\0')
      return &f;
  }
  return nullptr;
}

VmWord handleOf(VsMemFile* file) { return vsWord_fromPointer(file); }

VsMemFileReader readerOf(const VsMemFile* file) {
  return reinterpret_cast<VsMemFileReader>(static_cast<uintptr_t>(file->reader));
}

void invalidateWindow() {
  gWindow.file = 0;
  gWindow.start = -1;
  gWindow.length = 0;
}

bool windowCovers(const VsMemFile* file, uint32_t offset) {
  return gWindow.file == handleOf(const_cast<VsMemFile*>(file)) && gWindow.start >= 0 &&
         offset >= static_cast<uint32_t>(gWindow.start) &&
         offset < static_cast<uint32_t>(gWindow.start) + static_cast<uint32_t>(gWindow.length);
}

// Calls the reader, keeping its answer within what was asked.
int32_t callReader(const VsMemFile* file, uint8_t* buffer, uint32_t offset, int32_t n) {
  const int32_t got = readerOf(file)(buffer, offset, n);
  return got > n ? n : got;
}

// Loads the window around offset. Returns the reader's result.
int32_t loadWindow(const VsMemFile* file, uint32_t offset) {
  uint32_t start = offset;
  if (file->size > static_cast<uint32_t>(kVsMemFile_windowBytes) &&
      offset > file->size - kVsMemFile_windowBytes)
    start = file->size - kVsMemFile_windowBytes;
  else if (file->size <= static_cast<uint32_t>(kVsMemFile_windowBytes))
    start = 0;
  uint32_t length = file->size - start;
  if (length > static_cast<uint32_t>(kVsMemFile_windowBytes))
    length = kVsMemFile_windowBytes;
  int32_t got = callReader(file, gWindow.data, start, static_cast<int32_t>(length));
  if (got >= 0 && start < offset && static_cast<uint32_t>(got) <= offset - start) {
    // The reader stopped short of the offset: start the window there.
    start = offset;
    length = file->size - start;
    if (length > static_cast<uint32_t>(kVsMemFile_windowBytes))
      length = kVsMemFile_windowBytes;
    got = callReader(file, gWindow.data, start, static_cast<int32_t>(length));
  }
  gWindow.start = got > 0 ? static_cast<int32_t>(start) : -1;
  gWindow.length = got > 0 ? got : 0;
  return got;
}

}  // namespace

VsMemFile* vsMemFile_slot(VmWord handle) {
  for (VsMemFile& f : gFiles) {
    if (handle == handleOf(&f))
      return &f;
  }
  return nullptr;
}

int32_t vsMemFile_register(const char* name, const uint8_t* memory, VsMemFileReader reader,
                           uint32_t size) {
  if (name == nullptr || name[0] == '\0')
    return -2;
  if (memory == nullptr && reader == nullptr)
    return -1;
  if (firstNamed(name) != nullptr)
    return -3;
  VsMemFile* slot = freeSlot();
  if (slot == nullptr)
    return -4;
  *slot = VsMemFile{};
  std::memcpy(slot->name, name, storedLength(name));
  slot->memory = memory;
  if (memory == nullptr)
    slot->reader = vsWord_fromPointer(reinterpret_cast<const void*>(reader));
  slot->size = size;
  return static_cast<int32_t>(slot - gFiles) + 1;
}

void vsMemFile_unregister(const char* name, int32_t id) {
  if (name != nullptr && name[0] != '\0') {
    for (VsMemFile& f : gFiles) {
      if (sameName(f, name)) {
        if (gWindow.file == handleOf(&f))
          invalidateWindow();
        f = VsMemFile{};
      }
    }
    return;
  }
  if (id >= 1 && id <= kVsMemFile_slots) {
    VsMemFile& f = gFiles[id - 1];
    if (gWindow.file == handleOf(&f))
      invalidateWindow();
    f = VsMemFile{};
  }
}

VmWord vsMemFile_open(const char* name, const char*) {
  VsMemFile* file = firstNamed(name);
  if (file == nullptr)
    return kVsMemFile_invalid;
  if (file->open != 0) {
    VsMemFile* copy = freeSlot();
    if (copy == nullptr)
      return kVsMemFile_invalid;
    *copy = *file;
    file = copy;
  }
  file->open = 1;
  file->position = 0;
  return handleOf(file);
}

int32_t vsMemFile_close(VmWord handle) {
  VsMemFile* file = vsMemFile_slot(handle);
  if (file == nullptr || file->open == 0)
    return -1;
  if (gWindow.file == handle)
    invalidateWindow();
  if (firstNamed(file->name) == file) {
    file->open = 0;
    file->position = 0;
  } else {
    *file = VsMemFile{};
  }
  return 0;
}

int32_t vsMemFile_read(VmWord handle, uint8_t* buffer, int32_t n) {
  VsMemFile* file = vsMemFile_slot(handle);
  if (file == nullptr || file->open == 0 || n < 0 || file->position >= file->size)
    return -1;
  const uint32_t left = file->size - file->position;
  if (static_cast<uint32_t>(n) > left)
    n = static_cast<int32_t>(left);
  int32_t got = n;
  if (file->memory)
    std::memcpy(buffer, file->memory.get() + file->position, static_cast<size_t>(n));
  else
    got = vsMemFile_readThrough(file, buffer, file->position, n);
  if (got < 0)
    return -1;
  file->position += static_cast<uint32_t>(got);
  return got;
}

int32_t vsMemFile_readThrough(VsMemFile* file, uint8_t* buffer, uint32_t offset, int32_t n) {
  if (gWindow.file != handleOf(file)) {
    invalidateWindow();
    gWindow.file = handleOf(file);
  }
  if (offset >= file->size)
    return -1;
  if (static_cast<uint32_t>(n) > file->size - offset)
    n = static_cast<int32_t>(file->size - offset);
  int32_t done = 0;
  uint32_t empty = 0;
  while (done < n) {
    const uint32_t at = offset + static_cast<uint32_t>(done);
    const int32_t remaining = n - done;
    if (remaining >= kVsMemFile_directBytes) {
      const int32_t got = callReader(file, buffer + done, at, remaining);
      if (got < 0)
        break;
      if (got == 0) {
        if (++empty >= kVsMemFile_maxEmptyReads)
          break;
        continue;
      }
      empty = 0;
      done += got;
      continue;
    }
    if (!windowCovers(file, at)) {
      const int32_t got = loadWindow(file, at);
      if (got < 0)
        break;
      if (!windowCovers(file, at)) {
        if (++empty >= kVsMemFile_maxEmptyReads)
          break;
        continue;
      }
    }
    empty = 0;
    const uint32_t windowEnd = static_cast<uint32_t>(gWindow.start) + static_cast<uint32_t>(gWindow.length);
    uint32_t serve = windowEnd - at;
    if (serve > static_cast<uint32_t>(remaining))
      serve = static_cast<uint32_t>(remaining);
    std::memcpy(buffer + done, gWindow.data + (at - static_cast<uint32_t>(gWindow.start)), serve);
    done += static_cast<int32_t>(serve);
  }
  return done;
}

int32_t vsMemFile_seek(VmWord handle, int32_t offset, int32_t whence) {
  VsMemFile* file = vsMemFile_slot(handle);
  if (file == nullptr || file->open == 0)
    return -1;
  int64_t target;
  if (whence == 0)
    target = offset;
  else if (whence == 1)
    target = int64_t{file->position} + offset;
  else if (whence == 2)
    target = int64_t{file->size} + offset;
  else
    target = 0;
  if (target < 0 || target > int64_t{file->size})
    return -1;
  file->position = static_cast<uint32_t>(target);
  return static_cast<int32_t>(target);
}

int32_t vsMemFile_tell(VmWord handle) {
  VsMemFile* file = vsMemFile_slot(handle);
  if (file == nullptr || file->open == 0)
    return -1;
  return static_cast<int32_t>(file->position);
}

int32_t vsMemFile_getc(VmWord handle) {
  uint8_t byte;
  return vsMemFile_read(handle, &byte, 1) == 1 ? byte : -1;
}

int32_t vsMemFile_stat(const char* name, VsMemFileInfo* info) {
  const VsMemFile* file = firstNamed(name);
  if (file == nullptr)
    return -1;
  info->mode = kRegularReadable;
  info->size = file->size;
  return 0;
}
