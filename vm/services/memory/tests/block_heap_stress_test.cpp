// A seeded random run of allocations and frees on a 256 KiB block heap,
// the whole heap checked after every operation. The seed is printed;
// VS_BLOCK_HEAP_SEED=<seed> repeats a run.
#include "vm/services/memory/block_heap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "vm/services/memory/tests/block_heap_check.h"

#ifndef VS_BLOCK_HEAP_STRESS_OPERATIONS
#error "the build sets the operation count"
#endif

namespace {

constexpr uint32_t kAreaBytes = 256 * 1024;
constexpr int32_t kLargestRequest = 4096;

struct Live {
  uint8_t* data;
  int32_t size;
  uint8_t fill;
};

uint32_t seedOfRun() {
  if (const char* text = std::getenv("VS_BLOCK_HEAP_SEED")) return static_cast<uint32_t>(std::strtoul(text, nullptr, 0));
  return std::random_device{}();
}

TEST(BlockHeapStress, RandomOperationsKeepEveryInvariant) {
  const uint32_t seed = seedOfRun();
  std::printf("block heap stress: seed %u, %d operations\n", seed, VS_BLOCK_HEAP_STRESS_OPERATIONS);
  RecordProperty("seed", static_cast<int>(seed));
  std::mt19937 random(seed);
  void* area = vsLow_alloc(kAreaBytes);
  VsHeap* heap = vsHeap_initialize(area, kAreaBytes);
  ASSERT_NE(heap, nullptr);
  const uint8_t* const areaStart = static_cast<uint8_t*>(area);
  const uint8_t* const areaEnd = areaStart + kAreaBytes;

  std::vector<Live> live;
  int allocations = 0;
  int refusals = 0;
  for (int op = 0; op < VS_BLOCK_HEAP_STRESS_OPERATIONS; ++op) {
    const bool allocate = live.empty() || random() % 100 < 55;
    if (allocate) {
      const int32_t n = static_cast<int32_t>(random() % kLargestRequest) + 1;
      auto* data = static_cast<uint8_t*>(vsHeap_alloc(heap, n));
      if (data == nullptr) {
        // Only when no free block is large enough.
        uint32_t largest;
        vsHeap_getFreeStatistics(heap, &largest);
        ASSERT_LT(largest, std::max(kVsHeap_smallestBlock, ((static_cast<uint32_t>(n) + 3) & ~3u) + 8))
            << "op " << op << ": " << n << " bytes refused, seed " << seed;
        ++refusals;
      } else {
        ASSERT_TRUE(data >= areaStart + kVsHeap_headerBytes + 8 && data + n <= areaEnd)
            << "op " << op << ": block outside the area, seed " << seed;
        const auto fill = static_cast<uint8_t>(op);
        std::memset(data, fill, static_cast<size_t>(n));
        live.push_back({data, n, fill});
        ++allocations;
      }
    } else {
      const size_t i = random() % live.size();
      const Live block = live[i];
      live[i] = live.back();
      live.pop_back();
      for (int32_t k = 0; k < block.size; ++k)
        ASSERT_EQ(block.data[k], block.fill) << "op " << op << ": byte " << k << " of a " << block.size
                                             << "-byte block changed, seed " << seed;
      ASSERT_EQ(vsHeap_free(heap, block.data), 0) << "op " << op << ", seed " << seed;
    }
    const std::string broken = vsTestBlockHeap_check(heap);
    ASSERT_EQ(broken, "") << "op " << op << (allocate ? " (alloc)" : " (free)") << ", seed " << seed;
  }
  // Both paths ran many times.
  EXPECT_GT(allocations, VS_BLOCK_HEAP_STRESS_OPERATIONS / 4);
  EXPECT_GT(refusals, VS_BLOCK_HEAP_STRESS_OPERATIONS / 100);
  for (const Live& block : live) ASSERT_EQ(vsHeap_free(heap, block.data), 0);
  uint32_t largest;
  EXPECT_EQ(vsHeap_getFreeStatistics(heap, &largest), kAreaBytes - kVsHeap_headerBytes);
  EXPECT_EQ(heap->freeCount, 1);
  vsLow_free(area);
}

}  // namespace
