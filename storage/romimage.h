// The image back end of the rom connector: serves "OJFS2_Rom.bin" (layout in
// tools/romfs/romfs.py) through a CE file handle kept open for reading.
//
// Loading checks the whole header before the image is used: the entry count
// against the file size, every name length, every index (below N or
// 0xFFFF), entry 0 a directory, every file's offset + 4 + size inside the
// file (64-bit sums). Every walk stops after N steps, so a cycle cannot
// hang it. Handles come from 128 flags, the highest free first, 0 never.
#pragma once

#include <cstdint>

#include "storage/ojfs.h"

// Loads and checks the image of the CE path; true when it serves. A bad
// image is not used and leaves one trace report.
bool romimage_load(const char* cePath);
// The image back end's operations (write-type ones fail with 17).
OjfsOperations romimage_operations();
