// The size rule of the waiting records and the extent of a stack chunk.
#include <gtest/gtest.h>

#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/threads/tests/thread_fixture.h"
#include "vm/core/threads/waiting_records.h"

namespace {

using WaitingRecordsTest = ThreadTest;

TEST_F(WaitingRecordsTest, ArrayFollowsTheLiveThreadsWithSlack) {
  struct Case {
    uint32_t threads;
    uint32_t capacity;  // afterwards
  };
  // Each case starts from the capacity the one before left.
  const Case kCases[] = {
      {1, 4},    // no array yet: m = 4
      {4, 8},    // m = c: c + 4
      {5, 8},    // 3 spare: kept
      {4, 4},    // 4 spare: shrunk to m
      {1, 8},    // m = 4 = c: c + 4 again
      {9, 12},   // m above c: c + 4 when that is more
      {13, 16},
      {21, 21},  // ... else m
      {10, 10},  // 11 spare: shrunk to m
      {8, 10},   // 2 spare: kept
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.threads);
    ASSERT_EQ(vsReentry_resizeWaitingRecords(c.threads), 1);
    EXPECT_EQ(vsReentry_waitingRecordCapacity(), c.capacity);
    EXPECT_EQ(vsRef_as<ByteArray>(vsRoot(kRootWaitingRecords))->length,
              static_cast<int32_t>(c.capacity * kWaitingRecordBytes));
  }
  EXPECT_FALSE(vsException_isPending());
}

TEST_F(WaitingRecordsTest, ChunkContainsItsHeaderAndBytesOnly) {
  const VmRef chunk = vsJavaHeap_newStackChunk(4096);
  ASSERT_NE(chunk, 0u);
  const uint32_t size = (4096 + 19) & ~3u;
  struct Case {
    VmWord address;
    bool inside;
  } cases[] = {{chunk, true}, {chunk + size - 1, true}, {chunk + size, false}, {chunk - 1, false}};
  for (const Case& c : cases) EXPECT_EQ(vsStackChunk_contains(chunk, c.address), c.inside) << c.address - chunk;
}

}  // namespace
