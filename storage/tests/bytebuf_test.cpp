#include "storage/bytebuf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

void* failingRealloc(void*, size_t) { return nullptr; }

TEST(ByteBuf, GrowKeepsBytesAndShrinkTrims) {
  cByteBuf buffer;
  EXPECT_EQ(buffer.Assign(0, nullptr), nullptr);
  EXPECT_EQ(buffer.size, 0u);
  ASSERT_NE(buffer.Assign(3, "abc"), nullptr);
  ASSERT_NE(buffer.Assign(6, nullptr), nullptr);  // append: grow, then fill
  std::memcpy(buffer.data + 3, "def", 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data), buffer.size), "abcdef");
  ASSERT_NE(buffer.Assign(2, nullptr), nullptr);  // the second pass of a two-pass fill
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data), buffer.size), "ab");
  EXPECT_EQ(buffer.Assign(0, "x"), nullptr);
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.size, 0u);
}

TEST(ByteBuf, FreeTwiceIsHarmless) {
  cByteBuf buffer;
  buffer.Free();
  buffer.Assign(4, "wxyz");
  buffer.Free();
  buffer.Free();
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.size, 0u);
}

TEST(ByteBuf, FailingAllocationLeavesNullAndZero) {
  auto* heap = new cByteBuf;
  heap->Assign(8, "12345678");
  cByteBuf_setRealloc(failingRealloc);
  EXPECT_EQ(heap->Assign(1u << 30, nullptr), nullptr);
  cByteBuf_setRealloc(nullptr);
  EXPECT_EQ(heap->data, nullptr);  // the old block was freed (the leak checker agrees)
  EXPECT_EQ(heap->size, 0u);
  delete heap;
}

}  // namespace
