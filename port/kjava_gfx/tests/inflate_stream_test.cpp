// The inflate stream adapter: the pool of eight slots, release by address
// only, and the wrappers copying the stream view in and out around zlib.
#include "port/kjava_gfx/inflate_stream.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int gAllocations = 0;

void* countingAlloc(void*, unsigned items, unsigned size) {
  ++gAllocations;
  return std::calloc(items, size);
}
void countingFree(void*, void* p) {
  --gAllocations;
  std::free(p);
}

class InflateStreamTest : public testing::Test {
 protected:
  void TearDown() override {
    for (InflateStream* s : open_)
      inflateStream_release(s);
  }
  InflateStream* open() {
    InflateStream* s = inflateStream_open(countingAlloc, countingFree);
    if (s != nullptr)
      open_.push_back(s);
    return s;
  }
  std::vector<InflateStream*> open_;
};

TEST_F(InflateStreamTest, EightOpensSucceedAndTheNinthGetsNone) {
  for (int i = 0; i < kInflateStreamSlots; ++i) {
    InflateStream* s = open();
    ASSERT_NE(s, nullptr) << i;
    EXPECT_EQ(s->self, s);
    EXPECT_EQ(s->inUse, 1u);
    EXPECT_EQ(s->zlib.zalloc, countingAlloc);
    EXPECT_EQ(s->zlib.zfree, countingFree);
  }
  EXPECT_EQ(inflateStream_open(countingAlloc, countingFree), nullptr);
}

TEST_F(InflateStreamTest, AReleasedSlotIsTakenAgainCleared) {
  for (int i = 0; i < kInflateStreamSlots; ++i)
    ASSERT_NE(open(), nullptr);
  InflateStream* third = open_[2];
  third->availIn = 77;
  third->opaque = third;
  ASSERT_EQ(inflateStream_release(third), 0);
  EXPECT_EQ(third->inUse, 0u);
  InflateStream* again = inflateStream_open(countingAlloc, countingFree);
  EXPECT_EQ(again, third);
  EXPECT_EQ(again->availIn, 0u);
  EXPECT_EQ(again->opaque, nullptr);
  EXPECT_EQ(again->inUse, 1u);
}

TEST_F(InflateStreamTest, ReleasingAForeignAddressReadsNothingThere) {
  InflateStream* s = open();
  ASSERT_NE(s, nullptr);
  const InflateStream before = *s;
  // An address inside a slot, and a page that faults on any access.
  auto* inside = reinterpret_cast<InflateStream*>(reinterpret_cast<char*>(s) + 1);
  EXPECT_EQ(inflateStream_release(inside), -1);
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  void* guard = mmap(nullptr, page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(guard, MAP_FAILED);
  EXPECT_EQ(inflateStream_release(static_cast<InflateStream*>(guard)), -1);
  EXPECT_EQ(inflateStream_release(nullptr), -1);
  munmap(guard, page);
  EXPECT_EQ(std::memcmp(&before, s, sizeof before), 0);
}

TEST_F(InflateStreamTest, AKnownStreamInflatesThroughTheWrappers) {
  // zlib's stream of "hello, hello, hello" (level 9).
  const uint8_t compressed[] = {0x78, 0xDA, 0xCB, 0x48, 0xCD, 0xC9, 0xC9, 0xD7, 0x51, 0xC8,
                                0x40, 0xA2, 0x00, 0x44, 0x28, 0x06, 0xD5};
  const char expected[] = "hello, hello, hello";
  InflateStream* s = open();
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(inflateStream_init(s), Z_OK);
  EXPECT_GT(gAllocations, 0);
  uint8_t out[64] = {};
  s->nextIn = compressed;
  s->availIn = 5;  // in two steps, so the totals must carry over
  s->nextOut = out;
  s->availOut = sizeof out;
  ASSERT_EQ(inflateStream_inflate(s, Z_SYNC_FLUSH), Z_OK);
  EXPECT_EQ(s->totalIn, 5u);
  EXPECT_EQ(s->availIn, 0u);
  s->availIn = sizeof compressed - 5;
  ASSERT_EQ(inflateStream_inflate(s, Z_SYNC_FLUSH), Z_STREAM_END);
  EXPECT_EQ(s->totalIn, sizeof compressed);
  EXPECT_EQ(s->totalOut, sizeof expected - 1);
  EXPECT_EQ(s->nextOut, out + sizeof expected - 1);
  EXPECT_EQ(s->availOut, sizeof out - (sizeof expected - 1));
  EXPECT_EQ(s->nextIn, compressed + sizeof compressed);
  EXPECT_STREQ(reinterpret_cast<const char*>(out), expected);
  EXPECT_EQ(inflateStream_end(s), Z_OK);
  EXPECT_EQ(gAllocations, 0);
}

TEST_F(InflateStreamTest, TheOpaqueContextReachesTheAllocator) {
  static void* seen = nullptr;
  auto alloc = [](void* opaque, unsigned items, unsigned size) -> void* {
    seen = opaque;
    return std::calloc(items, size);
  };
  auto release = [](void*, void* p) { std::free(p); };
  InflateStream* s = inflateStream_open(alloc, release);
  ASSERT_NE(s, nullptr);
  open_.push_back(s);
  int marker = 0;
  s->opaque = &marker;
  ASSERT_EQ(inflateStream_init(s), Z_OK);
  EXPECT_EQ(seen, &marker);
  EXPECT_EQ(s->opaque, &marker);
  EXPECT_EQ(inflateStream_end(s), Z_OK);
}

}  // namespace
