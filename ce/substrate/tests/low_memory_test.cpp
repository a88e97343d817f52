#include "ce/substrate/low_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "ce/substrate/low_thread.h"

namespace {

bool isLow(const void* p) { return reinterpret_cast<uintptr_t>(p) <= 0xFFFFFFFFu; }

TEST(LowMemory, MappedRegionsAreLowAndWritable) {
  void* r = vsLow_map(3 * 4096 + 1);
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(isLow(r));
#if defined(__x86_64__)
  EXPECT_LT(reinterpret_cast<uintptr_t>(r) + 4 * 4096, uintptr_t{1} << 31);
#endif
  std::memset(r, 0xAB, 4 * 4096);
  vsLow_unmap(r, 3 * 4096 + 1);
  EXPECT_EQ(vsLow_map(0), nullptr);
}

TEST(LowMemory, BlocksAreLowZeroFilledAndAligned) {
  std::vector<uint8_t*> blocks;
  for (size_t size : {1u, 7u, 8u, 13u, 100u, 4096u, 70000u, 5u << 20}) {
    auto* p = static_cast<uint8_t*>(vsLow_alloc(size));
    ASSERT_NE(p, nullptr) << size;
    EXPECT_TRUE(isLow(p + size - 1)) << size;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u) << size;
    for (size_t i = 0; i < size; ++i)
      ASSERT_EQ(p[i], 0) << "size " << size << " byte " << i;
    std::memset(p, 0xFF, size);
    blocks.push_back(p);
  }
  for (size_t i = 1; i < blocks.size(); ++i)
    EXPECT_NE(blocks[i], blocks[i - 1]);
  for (uint8_t* p : blocks)
    vsLow_free(p);
  EXPECT_EQ(vsLow_alloc(0), nullptr);
  vsLow_free(nullptr);
}

TEST(LowMemory, FreedSpaceIsReusedZeroedAndExhaustionReturnsNull) {
  constexpr size_t kLimit = 1 << 20;
  LowBlockAllocator a(kLimit, kLimit);
  // Fill the arena with 64 KiB blocks until it says no.
  std::vector<void*> blocks;
  for (;;) {
    void* p = a.alloc(64 * 1024 - 64);
    if (p == nullptr)
      break;
    std::memset(p, 0x5A, 64 * 1024 - 64);
    blocks.push_back(p);
    ASSERT_LE(blocks.size(), 16u);
  }
  ASSERT_GE(blocks.size(), 15u);
  EXPECT_EQ(a.alloc(1 << 20), nullptr);
  EXPECT_EQ(a.alloc(size_t{2} << 20), nullptr);
  EXPECT_EQ(a.blockSize(blocks[3]), 64u * 1024 - 64);

  // Two neighbours freed make room for one block the size of both.
  a.free(blocks[3]);
  a.free(blocks[4]);
  EXPECT_EQ(a.blockSize(blocks[3]), 0u);
  auto* big = static_cast<uint8_t*>(a.alloc(100 * 1024));
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big, blocks[3]);
  for (size_t i = 0; i < 100 * 1024; ++i)
    ASSERT_EQ(big[i], 0) << i;
  a.free(big);
  for (size_t i = 0; i < blocks.size(); ++i)
    if (i != 3 && i != 4)
      a.free(blocks[i]);
  // Everything is free again: the whole arena serves one block.
  EXPECT_NE(a.alloc(kLimit - 64), nullptr);
}

TEST(LowMemory, ConcurrentAllocationGivesDistinctBlocks) {
  LowBlockAllocator a(size_t{64} << 20, size_t{1} << 20);
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;
  std::vector<std::thread> threads;
  std::vector<std::vector<uint32_t*>> kept(kThreads);
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        auto* p = static_cast<uint32_t*>(a.alloc(16 + (i % 7) * 8));
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(p[0], 0u);
        p[0] = static_cast<uint32_t>(t * kRounds + i);
        if (i % 2)
          a.free(p);
        else
          kept[t].push_back(p);
      }
    });
  for (auto& th : threads)
    th.join();
  for (int t = 0; t < kThreads; ++t)
    for (size_t i = 0; i < kept[t].size(); ++i)
      EXPECT_EQ(kept[t][i][0], static_cast<uint32_t>(t * kRounds + 2 * i));
}

void* reportLocal(void* out) {
  int local = 0;
  *static_cast<uintptr_t*>(out) = reinterpret_cast<uintptr_t>(&local);
  return out;
}

TEST(LowMemory, TestsAndLowThreadsRunOnLowStacks) {
  int local = 0;
  EXPECT_TRUE(isLow(&local));
  LowThread t;
  uintptr_t seen = ~uintptr_t{0};
  ASSERT_TRUE(vsLowThread_start(&t, reportLocal, &seen, 64 * 1024));
  void* result = nullptr;
  vsLowThread_join(&t, &result);
  EXPECT_EQ(result, &seen);
  EXPECT_LE(seen, 0xFFFFFFFFu);
}

}  // namespace
