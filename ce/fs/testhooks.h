// Test hooks of the CE file calls, set only by test programs: a fixed
// answer of GetDiskFreeSpaceExW for every path, so that space checks can be
// tested without filling a disk.
#pragma once

#include <cstdint>

// bytes >= 0: GetDiskFreeSpaceExW answers bytes (available, total and
// free); a negative value restores the real answer.
void vsCeFs_setFreeSpaceAnswer(int64_t bytes);
// The fixed answer, or -1 when none is set.
int64_t vsCeFs_freeSpaceAnswer();
