// The native files that the record-store and file natives hold open: the
// VM closes them all when the application stops.
//
// The handles live in a list of the memory service, made on first use (a
// handle of 0 is kept as -1, since the list's items cannot be 0).
#pragma once

#include <cstdint>

// 0, or -1 when no memory is left.
int32_t vsNativeFile_add(int32_t handle);
void vsNativeFile_remove(int32_t handle);
// Closes every handle with JkRandomAccessFileClose, then frees the list.
void vsNativeFile_closeAll();
