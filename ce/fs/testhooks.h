// Test hooks of the CE file calls, set only by test programs:
// - a fixed answer of GetDiskFreeSpaceExW for every path, so that space
//   checks can be tested without filling a disk;
// - a kill switch: the process counts its mutating file calls (WriteFile,
//   SetEndOfFile, FlushFileBuffers, DeleteFileW, MoveFileW/MoveFileExW,
//   CreateDirectoryW) and, once armed, sends itself SIGKILL in the chosen
//   one, so that crash safety can be tested at every instant of a write.
//   The fatal call does none of its work, except WriteFile, which writes
//   the first half of its bytes first;
// - a flush switch: FlushFileBuffers still counts as a mutating call but
//   skips the flush to the disk, for fuzz targets that write a device's
//   files at every input and never test durability.
#pragma once

#include <cstdint>

// bytes >= 0: GetDiskFreeSpaceExW answers bytes (available, total and
// free); a negative value restores the real answer.
void vsCeFs_setFreeSpaceAnswer(int64_t bytes);
// The fixed answer, or -1 when none is set.
int64_t vsCeFs_freeSpaceAnswer();

// Mutating calls made by this process so far (fork children inherit the
// count).
int64_t vsCeFs_mutationCount();
// call >= 1: the mutating call with that count (vsCeFs_mutationCount() + 1
// is the next one) kills the process; 0 disarms.
void vsCeFs_setKillAtMutation(int64_t call);
// Counts one mutating call; true when it is the fatal one (the caller does
// its partial work, if any, then calls vsCeFs_killNow).
bool vsCeFs_countMutation();
[[noreturn]] void vsCeFs_killNow();

// skipped: FlushFileBuffers returns without flushing; false restores it.
void vsCeFs_setFlushSkipped(bool skipped);
bool vsCeFs_flushSkipped();
