// The growable-buffer inflater on its own: bounded buffers, the Full answer
// and resume, data after the stream's end, failures, and nothing left
// allocated after end.
#include "port/kjava_gfx/devcodec/png_inflater.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "port/kjava_gfx/devcodec/tests/png_test_file.h"

namespace {

using png_test::Bytes;

int gLive = 0;

void* countingAlloc(void*, uint64_t bytes) {
  void* p = bytes == 0 ? nullptr : std::calloc(1, bytes);
  gLive += p != nullptr;
  return p;
}
void countingFree(void*, void* p) {
  gLive -= p != nullptr;
  std::free(p);
}
constexpr CodecAllocator kCounting = {countingAlloc, countingFree, nullptr};

class PngInflaterTest : public testing::Test {
 protected:
  void SetUp() override { gLive = 0; }
  void TearDown() override {
    inflater.end();
    EXPECT_EQ(gLive, 0);
  }
  PngInflater inflater{kCounting};
};

// Feeds data in pieces of at most 1024 bytes, taking everything whenever the
// output is full; returns the decompressed bytes, or false on failure.
bool drain(PngInflater* inflater, const Bytes& data, Bytes* out, uint32_t* largest) {
  for (size_t at = 0; at < data.size(); at += 1024) {
    const auto n = static_cast<uint32_t>(std::min<size_t>(1024, data.size() - at));
    PngInflater::Status s = inflater->feed(data.data() + at, n);
    for (;;) {
      if (s == PngInflater::Status::Fail)
        return false;
      const uint32_t waiting = inflater->available();
      *largest = std::max(*largest, waiting);
      const size_t old = out->size();
      out->resize(old + waiting);
      if (!inflater->take(out->data() + old, waiting))
        return false;
      if (s == PngInflater::Status::Ok)
        break;
      s = inflater->resume();
    }
  }
  return true;
}

TEST_F(PngInflaterTest, OutputStaysWithinItsMaximumAndLosesNothing) {
  Bytes raw(1 << 20);
  for (size_t i = 0; i < raw.size(); ++i)
    raw[i] = static_cast<uint8_t>(i >> 17);  // long runs: one piece fills the output
  ASSERT_TRUE(inflater.start(128, 100));
  Bytes out;
  uint32_t largest = 0;
  ASSERT_TRUE(drain(&inflater, png_test::deflate(raw), &out, &largest));
  EXPECT_EQ(out, raw);
  EXPECT_LE(largest, PngInflater::kOutputMax);
  EXPECT_GT(largest, PngInflater::kOutputMax - PngInflater::kOutputStep);
  EXPECT_TRUE(inflater.end());
}

TEST_F(PngInflaterTest, FullLeavesThePieceForResume) {
  const Bytes raw(PngInflater::kOutputMax * 2, 0x5A);
  const Bytes z = png_test::deflate(raw);
  ASSERT_LT(z.size(), 1024u);
  ASSERT_TRUE(inflater.start(128, PngInflater::kOutputMax));
  ASSERT_EQ(inflater.feed(z.data(), static_cast<uint32_t>(z.size())), PngInflater::Status::Full);
  EXPECT_EQ(inflater.available(), PngInflater::kOutputMax);
  Bytes row(1000);
  ASSERT_TRUE(inflater.take(row.data(), 1000));
  EXPECT_EQ(row, Bytes(1000, 0x5A));
  EXPECT_EQ(inflater.resume(), PngInflater::Status::Full);
  EXPECT_EQ(inflater.available(), PngInflater::kOutputMax);
  inflater.discard();
  EXPECT_EQ(inflater.available(), 0u);
  EXPECT_EQ(inflater.resume(), PngInflater::Status::Ok);
  EXPECT_EQ(inflater.available(), raw.size() - 1000 - PngInflater::kOutputMax);
  EXPECT_FALSE(inflater.take(row.data(), inflater.available() + 1));
}

TEST_F(PngInflaterTest, DataAfterTheStreamsEndIsIgnored) {
  const Bytes raw = {1, 2, 3, 4, 5};
  Bytes z = png_test::deflate(raw);
  z.resize(z.size() + 600, 0xEE);
  ASSERT_TRUE(inflater.start(128, 16));
  EXPECT_EQ(inflater.feed(z.data(), static_cast<uint32_t>(z.size())), PngInflater::Status::Ok);
  const Bytes junk(PngInflater::kInputMax, 0xEE);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(inflater.feed(junk.data(), static_cast<uint32_t>(junk.size())), PngInflater::Status::Ok);
  Bytes out(5);
  ASSERT_EQ(inflater.available(), 5u);
  ASSERT_TRUE(inflater.take(out.data(), 5));
  EXPECT_EQ(out, raw);
  EXPECT_TRUE(inflater.end());
}

TEST_F(PngInflaterTest, RefusesCorruptDataAndOversizedInput) {
  ASSERT_TRUE(inflater.start(128, 16));
  const uint8_t reserved[] = {0x78, 0xDA, 0xFF, 0xFF};
  EXPECT_EQ(inflater.feed(reserved, sizeof reserved), PngInflater::Status::Fail);
  ASSERT_TRUE(inflater.start(128, 16));
  const Bytes big(PngInflater::kInputMax + 1, 0);
  EXPECT_EQ(inflater.feed(big.data(), static_cast<uint32_t>(big.size())), PngInflater::Status::Fail);
  EXPECT_GT(gLive, 0);
  inflater.end();
  EXPECT_EQ(gLive, 0);
  EXPECT_FALSE(inflater.end());
  EXPECT_EQ(inflater.feed(big.data(), 1), PngInflater::Status::Fail);
}

TEST_F(PngInflaterTest, StartFailsWhenEveryStreamSlotIsTaken) {
  std::vector<InflateStream*> taken;
  while (InflateStream* s = inflateStream_open(nullptr, nullptr))
    taken.push_back(s);
  EXPECT_EQ(taken.size(), static_cast<size_t>(kInflateStreamSlots));
  EXPECT_FALSE(inflater.start(128, 16));
  EXPECT_EQ(gLive, 0);
  for (InflateStream* s : taken)
    inflateStream_release(s);
  EXPECT_TRUE(inflater.start(128, 16));
}

}  // namespace
