#include "ce/substrate/vm_sections.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ce/substrate/low_memory.h"

namespace {

struct Triple {
  uint32_t a, b, c;
};

VS_VMDATA(int32_t) gAnswer = 42;
VS_VMDATA(Triple) gTriple = {1, 2, 3};
VS_VMBSS(uint32_t[8]) gZeros;

// Reads through a function the optimiser cannot see into, as a later run
// would read the variables.
__attribute__((noinline)) int32_t readAnswer() { return gAnswer; }

bool inside(const void* p, size_t n, const uint8_t* start, const uint8_t* end) {
  const auto* b = static_cast<const uint8_t*>(p);
  return b >= start && b + n <= end;
}

TEST(VmSections, VariablesLieInsideTheirSectionsBelowFourGiB) {
  const VmSectionBounds s = vsSections_bounds();
  EXPECT_TRUE(inside(&gAnswer, sizeof gAnswer, s.dataStart, s.dataEnd));
  EXPECT_TRUE(inside(&gTriple, sizeof gTriple, s.dataStart, s.dataEnd));
  EXPECT_TRUE(inside(&gZeros, sizeof gZeros, s.bssStart, s.bssEnd));
  EXPECT_FALSE(inside(&gZeros, sizeof gZeros, s.dataStart, s.dataEnd));
  EXPECT_LE(reinterpret_cast<uintptr_t>(s.bssEnd), 0xFFFFFFFFu);
}

TEST(VmSections, CopyingTheStartImageBackRestoresEveryVariable) {
  const VmSectionBounds s = vsSections_bounds();
  const size_t dataBytes = static_cast<size_t>(s.dataEnd - s.dataStart);
  ASSERT_GT(dataBytes, 0u);
  // The program has not changed them yet: this is the start-of-program copy.
  auto* image = static_cast<uint8_t*>(vsLow_alloc(dataBytes));
  ASSERT_NE(image, nullptr);
  std::memcpy(image, s.dataStart, dataBytes);

  gAnswer = 7;
  gTriple = {9, 9, 9};
  for (uint32_t& z : gZeros)
    z = 0xDEADBEEF;
  ASSERT_EQ(readAnswer(), 7);

  std::memcpy(s.dataStart, image, dataBytes);
  std::memset(s.bssStart, 0, static_cast<size_t>(s.bssEnd - s.bssStart));

  EXPECT_EQ(gAnswer, 42);
  EXPECT_EQ(readAnswer(), 42);
  EXPECT_EQ(gTriple.a, 1u);
  EXPECT_EQ(gTriple.b, 2u);
  EXPECT_EQ(gTriple.c, 3u);
  for (uint32_t z : gZeros)
    EXPECT_EQ(z, 0u);
  vsLow_free(image);
}

}  // namespace
