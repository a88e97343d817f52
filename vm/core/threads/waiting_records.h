// The waiting records of the blocking natives: a byte[] in root 44 of
// 12-byte records {thread, re-entry data address, data length}, one per
// thread that waits in a native, filled before each idle wait.
//
// The array is sized with the live threads, at every thread start and
// end, so that filling it never allocates: with n live threads, the
// capacity c (0 without an array) and m = max(n, 4):
//   - c > m by fewer than 4 records: kept;
//   - c > m by 4 records or more: replaced by one of m records (a failed
//     allocation is ignored and the pending exception left as it was);
//   - m >= c: replaced by one of max(m, c + 4) records (a failed
//     allocation leaves OutOfMemoryError pending).
#pragma once

#include <cstdint>

inline constexpr uint32_t kWaitingRecordBytes = 12;
inline constexpr uint32_t kWaitingRecordMinimum = 4;
// The slack that a growth adds and that a shrink waits for.
inline constexpr uint32_t kWaitingRecordStep = 4;

// The records the array holds now.
uint32_t vsReentry_waitingRecordCapacity();

// Sizes the array for liveThreads threads: 1, or 0 with OutOfMemoryError
// pending when it had to grow and could not.
int32_t vsReentry_resizeWaitingRecords(uint32_t liveThreads);
