// File adapters of the class path (see os_file.h).
#include "vm/services/lifecycle/os_file.h"

#include "vm/services/lifecycle/mem_file.h"

VmWord vsOs_fileOpen(const char* name, const char* mode) {
  const VmWord handle = vsMemFile_open(name, mode);
  return handle == kVsMemFile_invalid ? 0 : handle;
}

void vsOs_fileClose(VmWord handle) { vsMemFile_close(handle); }

int32_t vsOs_fileRead(VmWord handle, uint8_t* buffer, uint32_t size, uint32_t count) {
  const uint64_t wanted = uint64_t{size} * count;
  const int32_t n = vsMemFile_read(handle, buffer, wanted > 0x7FFFFFFFu ? 0x7FFFFFFF
                                                                        : static_cast<int32_t>(wanted));
  return n < 0 ? 0 : n;
}

int32_t vsOs_fileSize(VmWord handle) {
  const int32_t here = vsMemFile_tell(handle);
  if (here < 0)
    return -1;
  const int32_t size = vsMemFile_seek(handle, 0, 2);
  vsMemFile_seek(handle, here, 0);
  return size;
}

int32_t vsOs_fileExists(const char* name) {
  VsMemFileInfo info;
  return vsMemFile_stat(name, &info) == 0 ? 1 : 0;
}

int32_t vsOs_fileSeek(VmWord handle, int32_t offset, int32_t whence) {
  return vsMemFile_seek(handle, offset, whence) < 0 ? -1 : 0;
}

int32_t vsOs_fileIsAtEnd(VmWord handle) {
  const VsMemFile* file = vsMemFile_slot(handle);
  return file != nullptr && file->position >= file->size ? 1 : 0;
}

int32_t vsOs_fileHasError(VmWord) { return 0; }
