#include "vm/core/startup/memory_split.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ce/substrate/low_memory.h"
#include "tools/testport/test_port.h"
#include "vm/core/startup/vm_control.h"

namespace {

// The largest multiple of 128 whose cost fits, by trying every one.
uint32_t bruteForce(uint64_t z, uint32_t ro, uint32_t rw) {
  uint32_t best = 0;
  for (uint64_t h = 128; h <= z; h += 128) {
    if (vsVm_heapCost(h, ro, rw) <= z)
      best = static_cast<uint32_t>(h);
  }
  return best;
}

struct HeapCase {
  uint64_t z;
  uint32_t ro;
  uint32_t rw;
  uint32_t expected;
};

TEST(HeapSize, KnownSizesAndTheBruteForceAgree) {
  const HeapCase cases[] = {
      {3784704, 0, 0, 3659776},
      {3784704, 583416, 0, 3657984},
      {3784704, 0, 583416, 3657984},
      {uint64_t{256} << 20, 0, 0, 252636928},
  };
  for (const HeapCase& c : cases) {
    EXPECT_EQ(vsVm_heapSizeFor(c.z, c.ro, c.rw), c.expected) << c.z;
    EXPECT_EQ(bruteForce(c.z, c.ro, c.rw), c.expected) << c.z;
  }
}

TEST(HeapSize, SmallAreasAgreeWithTheBruteForce) {
  for (uint64_t z = 8000; z < 40000; z += 97)
    EXPECT_EQ(vsVm_heapSizeFor(z, 1000, 70000), bruteForce(z, 1000, 70000)) << z;
}

TEST(HeapSize, AreasBelowTheFixedCostGetNoHeap) {
  for (uint64_t z : {uint64_t{0}, uint64_t{100}, uint64_t{8451}, uint64_t{8452}})
    EXPECT_EQ(vsVm_heapSizeFor(z, 0, 0), 0u) << z;
}

TEST(HeapSize, SizingSetsTheHeapParametersAndKeepsTheAreaForReservedBlocks) {
  ASSERT_EQ(vsVm_sizeHeap({0x10002, 3784706}, 0, 0), 0);
  EXPECT_EQ(vsVm_getParameter(2), 3659776);
  EXPECT_EQ(vsVm_getParameter(3), 3659776);
  EXPECT_EQ(vsVm_allocReserved(5), 0x10004u);
  EXPECT_EQ(vsVm_allocReserved(4), 0x1000Cu);
  EXPECT_EQ(vsVm_allocReserved(3784704), 0u);
  EXPECT_EQ(vsVm_allocReserved(3784704 - 12), 0x10010u);
  EXPECT_EQ(vsVm_allocReserved(1), 0u);
  EXPECT_EQ(vsVm_sizeHeap({0x10000, 8000}, 0, 0), -1);
}

struct SplitCase {
  uint32_t size;
  uint32_t ratio;
  bool ok;
  const char* trace;
};

TEST(MemorySplit, RatiosAndTheirMessages) {
  const SplitCase cases[] = {
      {4194304, 100, true,
       "VM heap 0x00100000 0x400000\n"
       "--- allocPointerHeap 0x00100000 0x64000\n"
       "--- objectHeap 0x00164000 0x39c000\n"},
      {4194307, 100, true,
       "VM heap 0x00100000 0x400000\n"
       "--- allocPointerHeap 0x00100000 0x64000\n"
       "--- objectHeap 0x00164000 0x39c000\n"},
      {4194304, 1024, false,
       "VM heap 0x00100000 0x400000\nNative memory ratio (1024) is too high to start VM.\n"},
      {4194304, 4294967291u, false,
       "VM heap 0x00100000 0x400000\nNative memory ratio (4294967291) is too high to start VM.\n"},
      {4194304, 1, false,
       "VM heap 0x00100000 0x400000\nNative memory ratio (1) is too low to start VM.\n"},
      {4194304, 0, false,
       "VM heap 0x00100000 0x400000\nNative memory ratio (0) is too low to start VM.\n"},
      {3, 100, false, "VM heap 0x00100000 0x0\nNative memory ratio (100) is too high to start VM.\n"},
  };
  // The split lays the memory service's first chunk in the native part, so
  // the block is real; the traces name it where they say 0x00100000.
  void* memory = vsLow_alloc(4194304);
  const VmWord base = vsWord_fromPointer(memory);
  const auto rebased = [base](std::string text) {
    for (const auto& [from, offset] : {std::pair<std::string, VmWord>{"0x00100000", 0}, {"0x00164000", 0x64000}}) {
      char to[16];
      std::snprintf(to, sizeof to, "0x%08x", base + offset);
      for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
    }
    return text;
  };
  for (const SplitCase& c : cases) {
    VmHeapArea area{};
    vsTestPort_startCapture();
    EXPECT_EQ(vsVm_splitMemory(base, c.size, c.ratio, &area), c.ok) << c.size << " " << c.ratio;
    EXPECT_EQ(vsTestPort_stopCapture().trace, rebased(c.trace));
    if (c.ok) {
      EXPECT_EQ(area.address, base + 0x64000u);
      EXPECT_EQ(area.size, 0x39c000u);
    }
  }
  vsLow_free(memory);
}

}  // namespace
