// The CRC-32 against zlib's, through vectors that the host tree made with
// zlib (so the same check runs on every target).
#include "vm/core/model/crc32.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

bool readWord(std::FILE* f, uint32_t* w) {
  uint8_t b[4];
  if (std::fread(b, 1, 4, f) != 4) return false;
  *w = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
  return true;
}

TEST(Crc32Test, CheckValue) {
  const char text[] = "123456789";
  EXPECT_EQ(vsCrc32(reinterpret_cast<const uint8_t*>(text), 9), 0xCBF43926u);
  EXPECT_EQ(vsCrc32(reinterpret_cast<const uint8_t*>(text), 0), 0u);
}

TEST(Crc32Test, EqualsZlibOnRandomBuffers) {
  std::FILE* f = std::fopen(VS_CRC_VECTORS, "rb");
  ASSERT_NE(f, nullptr) << "missing " << VS_CRC_VECTORS;
  uint32_t count = 0;
  ASSERT_TRUE(readWord(f, &count));
  ASSERT_EQ(count, 1000u);
  std::vector<uint8_t> buffer;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t length = 0;
    uint32_t crc = 0;
    ASSERT_TRUE(readWord(f, &length));
    ASSERT_LE(length, 4096u);
    buffer.resize(length);
    if (length != 0) {
      ASSERT_EQ(std::fread(buffer.data(), 1, length, f), length);
    }
    ASSERT_TRUE(readWord(f, &crc));
    EXPECT_EQ(vsCrc32(buffer.data(), length), crc) << "buffer " << i << " of " << length << " bytes";
  }
  std::fclose(f);
}

}  // namespace
