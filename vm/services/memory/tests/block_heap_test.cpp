// The block heap's edge cases, one table: the boundaries of set-up,
// rounding, splitting and merging, and the refusals of sizes that do not
// fit and of frees of blocks that are not in use.
#include "vm/services/memory/block_heap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ce/substrate/low_memory.h"
#include "tools/testport/test_port.h"
#include "vm/services/memory/tests/block_heap_check.h"

namespace {

// An area of exactly `size` bytes at `misalign` past an 8-aligned address.
struct Area {
  uint8_t* block;
  uint8_t* start;
  Area(uint32_t size, uint32_t misalign = 0)
      : block(static_cast<uint8_t*>(vsLow_alloc(size + misalign))), start(block + misalign) {}
  ~Area() { vsLow_free(block); }
  VmWord word() const { return vsWord_fromPointer(start); }
};

std::string format(const char* f, VmWord a, int32_t b) {
  char text[80];
  std::snprintf(text, sizeof text, f, a, b);
  return text;
}

VmWord word(const void* p) { return vsWord_fromPointer(p); }

uint32_t freeBytes(const VsHeap* heap, uint32_t* largest = nullptr) {
  uint32_t l;
  return vsHeap_getFreeStatistics(heap, largest != nullptr ? largest : &l);
}

// Each case runs on its own area; the trace it writes is compared whole.
struct EdgeCase {
  const char* name;
  uint32_t size;
  uint32_t misalign;
  // Checks the case; returns the trace it expects.
  std::string (*run)(const Area& area);
};

const EdgeCase kCases[] = {
    {"39 bytes are refused", 39, 0,
     [](const Area& a) {
       EXPECT_EQ(vsHeap_initialize(a.start, 39), nullptr);
       return format("[vsHeap_initialize] cannot init heap (%08x,%d)\n", a.word(), 39);
     }},
    {"areas of 41 to 59 bytes are refused, 60 is taken", 60, 0,
     [](const Area& a) {
       std::string trace;
       for (uint32_t size = 41; size < 60; ++size) {
         EXPECT_EQ(vsHeap_initialize(a.start, size), nullptr) << size;
         trace += format("[vsHeap_initialize] cannot init heap (%08x,%d)\n", a.word(), static_cast<int32_t>(size));
       }
       VsHeap* heap = vsHeap_initialize(a.start, 60);
       EXPECT_NE(heap, nullptr);
       if (heap != nullptr) {
         EXPECT_EQ(freeBytes(heap), 20u);
       }
       return trace;
     }},
    {"a 1000-byte area has one free block of 960 bytes at +40", 1000, 0,
     [](const Area& a) {
       VsHeap* heap = vsHeap_initialize(a.start, 1000);
       EXPECT_EQ(word(heap), a.word());
       EXPECT_EQ(heap->size, 1000u);
       EXPECT_EQ(heap->freeHead, a.word() + 40);
       EXPECT_EQ(heap->freeCount, 1);
       EXPECT_EQ(vsWord_toPointer<VsHeapBlock>(heap->freeHead)->size, 960u);
       EXPECT_EQ(heap->sentinelNext, (a.word() + 40) | 1);
       EXPECT_EQ(heap->magic, kVsHeap_magic);
       EXPECT_EQ(vsTestBlockHeap_check(heap), "");
       return std::string();
     }},
    {"an area at 1 mod 4 has its header at the next word and its block up to the end", 501, 1,
     [](const Area& a) {
       VsHeap* heap = vsHeap_initialize(a.start, 501);
       EXPECT_EQ(word(heap), a.word() + 3);
       EXPECT_EQ(heap->freeHead, a.word() + 43);
       EXPECT_EQ(heap->freeHead + vsWord_toPointer<VsHeapBlock>(heap->freeHead)->size, a.word() + 501);
       EXPECT_EQ(vsTestBlockHeap_check(heap), "");
       // Allocating everything stays inside the area (ASan's redzone follows it).
       int served = 0;
       while (void* p = vsHeap_alloc(heap, 1)) {
         *static_cast<uint32_t*>(p) = 0xdeadbeef;
         ++served;
       }
       EXPECT_EQ(served, (501 - 43) / 20);
       EXPECT_EQ(vsTestBlockHeap_check(heap), "");
       return std::string();
     }},
    {"one byte takes 20", 1000, 0,
     [](const Area& a) {
       VsHeap* heap = vsHeap_initialize(a.start, 1000);
       EXPECT_EQ(word(vsHeap_alloc(heap, 1)), a.word() + 48);
       EXPECT_EQ(heap->freeHead, a.word() + 60);
       EXPECT_EQ(freeBytes(heap), 940u);
       EXPECT_EQ(vsTestBlockHeap_check(heap), "");
       return std::string();
     }},
    {"a 52-byte block serving 24 bytes is not split", 92, 0,
     [](const Area& a) {
       VsHeap* heap = vsHeap_initialize(a.start, 92);
       EXPECT_EQ(word(vsHeap_alloc(heap, 24)), a.word() + 48);
       EXPECT_EQ(heap->freeCount, 0);
       EXPECT_EQ(heap->freeHead, 0u);
       EXPECT_EQ(freeBytes(heap), 0u);
       EXPECT_EQ(vsTestBlockHeap_check(heap), "");
       return std::string();
     }},
    {"a 56-byte block serving 24 bytes splits into 32 and 24", 96, 0,
     [](const Area& a) {
       VsHeap* heap = vsHeap_initialize(a.start, 96);
       EXPECT_NE(vsHeap_alloc(heap, 24), nullptr);
       EXPECT_EQ(heap->freeHead, a.word() + 72);
       EXPECT_EQ(freeBytes(heap), 24u);
       EXPECT_EQ(vsTestBlockHeap_check(heap), "");
       return std::string();
     }},
    {"freeing three neighbours first, third, second leaves one free block", 40 + 3 * 108, 0,
     [](const Area& a) {
       VsHeap* heap = vsHeap_initialize(a.start, 40 + 3 * 108);
       void* blocks[3];
       for (void*& b : blocks) b = vsHeap_alloc(heap, 100);
       EXPECT_EQ(heap->freeCount, 0);
       for (int i : {0, 2, 1}) {
         EXPECT_EQ(vsHeap_free(heap, blocks[i]), 0);
         EXPECT_EQ(vsTestBlockHeap_check(heap), "") << i;
       }
       EXPECT_EQ(heap->freeCount, 1);
       EXPECT_EQ(heap->freeHead, a.word() + 40);
       EXPECT_EQ(freeBytes(heap), 3u * 108);
       return std::string();
     }},
    {"a free block between two free ones merges all three", 1000, 0,
     [](const Area& a) {
       VsHeap* heap = vsHeap_initialize(a.start, 1000);
       void* blocks[5];
       for (void*& b : blocks) b = vsHeap_alloc(heap, 40);
       for (int i : {1, 3, 2}) EXPECT_EQ(vsHeap_free(heap, blocks[i]), 0);
       EXPECT_EQ(heap->freeCount, 2);
       uint32_t largest;
       EXPECT_EQ(freeBytes(heap, &largest), 3u * 48 + 720);
       EXPECT_EQ(largest, 720u);
       EXPECT_EQ(vsTestBlockHeap_check(heap), "");
       return std::string();
     }},
    {"freeing null changes nothing", 1000, 0,
     [](const Area& a) {
       VsHeap* heap = vsHeap_initialize(a.start, 1000);
       vsHeap_alloc(heap, 10);
       EXPECT_EQ(vsHeap_free(heap, nullptr), 0);
       EXPECT_EQ(freeBytes(heap), 960u - 20);
       EXPECT_EQ(vsTestBlockHeap_check(heap), "");
       return std::string();
     }},
    {"sizes beyond the area give null quietly, 0 and a null heap with the line", 1000, 0,
     [](const Area& a) {
       VsHeap* heap = vsHeap_initialize(a.start, 1000);
       EXPECT_EQ(vsHeap_alloc(heap, 0x7fffffff), nullptr);
       EXPECT_EQ(vsHeap_alloc(heap, 953), nullptr);
       EXPECT_NE(vsHeap_alloc(heap, 952), nullptr);
       EXPECT_EQ(vsHeap_alloc(heap, 0), nullptr);
       EXPECT_EQ(vsHeap_alloc(nullptr, 8), nullptr);
       return format("[vsHeap_alloc] cannot allocate (%08x,%d)\n", a.word(), 0) +
              format("[vsHeap_alloc] cannot allocate (%08x,%d)\n", 0, 8);
     }},
    {"a second free of a block is refused and changes nothing", 1000, 0,
     [](const Area& a) {
       VsHeap* heap = vsHeap_initialize(a.start, 1000);
       void* p = vsHeap_alloc(heap, 16);
       vsHeap_alloc(heap, 16);
       EXPECT_EQ(vsHeap_free(heap, p), 0);
       uint32_t largest;
       const uint32_t total = freeBytes(heap, &largest);
       EXPECT_EQ(vsHeap_free(heap, p), -1);
       uint32_t largestAfter;
       EXPECT_EQ(freeBytes(heap, &largestAfter), total);
       EXPECT_EQ(largestAfter, largest);
       EXPECT_EQ(vsTestBlockHeap_check(heap), "");
       return format("[vsHeap_free] cannot free (%08x,%08x)\n", a.word(), static_cast<int32_t>(word(p)));
     }},
    {"frees of foreign addresses are refused", 1000, 0,
     [](const Area& a) {
       VsHeap* heap = vsHeap_initialize(a.start, 1000);
       uint8_t* p = static_cast<uint8_t*>(vsHeap_alloc(heap, 64));
       std::memset(p, 0xff, 64);  // words that look like blocks in use
       const VmWord foreign[] = {word(p) + 16, a.word() + 8, a.word() + 1000, a.word() + 2000, 8};
       std::string trace;
       for (VmWord f : foreign) {
         EXPECT_EQ(vsHeap_free(heap, vsWord_toPointer(f)), -1) << std::hex << f;
         trace += format("[vsHeap_free] cannot free (%08x,%08x)\n", a.word(), static_cast<int32_t>(f));
       }
       EXPECT_EQ(vsHeap_free(nullptr, p), -1);
       trace += format("[vsHeap_free] cannot free (%08x,%08x)\n", 0, static_cast<int32_t>(word(p)));
       EXPECT_EQ(freeBytes(heap), 960u - 72);
       EXPECT_EQ(vsTestBlockHeap_check(heap), "");
       return trace;
     }},
};

TEST(BlockHeap, EdgeCases) {
  for (const EdgeCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Area area(c.size, c.misalign);
    vsTestPort_startCapture();
    const std::string expected = c.run(area);
    EXPECT_EQ(vsTestPort_stopCapture().trace, expected);
  }
}

}  // namespace
