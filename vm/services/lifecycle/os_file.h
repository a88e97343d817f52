// File adapters through which the class path reads its elements.
//
// They map the C-library style calls of the class-path reader onto the
// memory files: handles are memory-file handles, and 0 stands for "no file".
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"

// A handle, or 0 when no memory file has that name.
VmWord vsOs_fileOpen(const char* name, const char* mode);
void vsOs_fileClose(VmWord handle);
// Reads size x count bytes; the number read (0 on failure).
int32_t vsOs_fileRead(VmWord handle, uint8_t* buffer, uint32_t size, uint32_t count);
// The size, found by seeking to the end and back; -1 for a bad handle.
int32_t vsOs_fileSize(VmWord handle);
int32_t vsOs_fileExists(const char* name);
// 0, or -1 when the target is outside the file.
int32_t vsOs_fileSeek(VmWord handle, int32_t offset, int32_t whence);
int32_t vsOs_fileIsAtEnd(VmWord handle);
int32_t vsOs_fileHasError(VmWord handle);
