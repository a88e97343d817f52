// The Shift_JIS codec in both directions over its whole domain, and seeded
// random texts decoded in random chunks with the pending lead carried.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "vm/services/text/sjis.h"

namespace {

TEST(SjisRoundTripTest, EveryDecodableCodeEncodesToItself) {
  int32_t decodable = 0;
  for (int32_t code = 0; code < 0x10000; ++code) {
    bool pair = code > 0xFF;
    if (pair && !vsSjis_isLeadByte(code >> 8)) continue;
    if (!pair && vsSjis_isLeadByte(code)) continue;
    uint8_t bytes[2] = {static_cast<uint8_t>(pair ? code >> 8 : code), static_cast<uint8_t>(code)};
    uint16_t ch = 0;
    if (vsSjis_decodeChar(bytes, pair ? 2 : 1, &ch) != 1) continue;
    ++decodable;
    uint8_t back[2] = {};
    int32_t n = vsSjis_encodeChar(ch, back, 2);
    ASSERT_EQ(n, pair ? 2 : 1) << std::hex << "code 0x" << code << " U+" << ch;
    ASSERT_EQ(back[0], bytes[0]) << std::hex << "code 0x" << code;
    if (pair) {
      ASSERT_EQ(back[1], bytes[1]) << std::hex << "code 0x" << code;
    }
  }
  EXPECT_EQ(decodable, 7070);
}

TEST(SjisRoundTripTest, EveryEncodableCharDecodesToItself) {
  int32_t encodable = 0;
  for (int32_t ch = 0; ch < 0x10000; ++ch) {
    uint8_t bytes[2] = {};
    int32_t n = vsSjis_encodeChar(static_cast<uint16_t>(ch), bytes, 2);
    if (n == 0) continue;
    ++encodable;
    uint16_t back = 0;
    ASSERT_EQ(vsSjis_decodeChar(bytes, n, &back), 1) << std::hex << "U+" << ch;
    if (ch == 0x00A5 || ch == 0x203E) {
      EXPECT_EQ(back, ch == 0x00A5 ? 0x5C : 0x7E) << std::hex << "one-way U+" << ch;
    } else {
      ASSERT_EQ(back, ch) << std::hex << "U+" << ch;
    }
  }
  EXPECT_EQ(encodable, 7072);
}

// Bytes that hit every rule: ASCII (control bytes too), katakana, pairs of
// every lead with trails of every kind, stray bytes.
std::vector<uint8_t> randomText(std::mt19937& random, size_t size) {
  std::vector<uint8_t> text;
  std::uniform_int_distribution<int32_t> byte(0, 0xFF);
  std::uniform_int_distribution<int32_t> kind(0, 9);
  while (text.size() < size) {
    int32_t k = kind(random);
    int32_t b = byte(random);
    if (k < 5) {
      int32_t lead = 0x81 + b % 31;
      if (k == 4) lead = 0xE0 + b % 29;
      text.push_back(static_cast<uint8_t>(lead));
      text.push_back(static_cast<uint8_t>(k == 3 ? byte(random) : 0x40 + byte(random) % 189));
    } else if (k < 8) {
      text.push_back(static_cast<uint8_t>(b & 0x7F));
    } else {
      text.push_back(static_cast<uint8_t>(b));
    }
  }
  return text;
}

TEST(SjisRoundTripTest, RandomTextsDecodeTheSameInChunks) {
  std::mt19937 random(20240601);
  for (int32_t round = 0; round < 200; ++round) {
    std::vector<uint8_t> text = randomText(random, 1 + random() % 600);
    int32_t size = static_cast<int32_t>(text.size());
    for (uint32_t flags : {kVsCharCodec_replace, kVsCharCodec_raw, 0u}) {
      SCOPED_TRACE(testing::Message() << "round " << round << ", flags " << flags);
      std::vector<uint16_t> whole(text.size());
      int32_t wholeWritten = 0;
      int32_t wholeErrors = 0;
      uint8_t wholePending = 0;
      ASSERT_EQ(vsSjis_sjisToUnicode(text.data(), 0, size, whole.data(), 0, size, &wholeWritten, &wholePending,
                                     &wholeErrors, flags),
                size);
      int32_t fast = 0;
      vsSjis_sjisToUnicode(text.data(), 0, size, nullptr, 0, 0, &fast, nullptr, nullptr, kVsCharCodec_count);
      EXPECT_GE(fast, wholeWritten);
      std::vector<uint16_t> parts(text.size());
      int32_t written = 0;
      int32_t errors = 0;
      uint8_t pending = 0;
      for (int32_t at = 0; at < size;) {
        int32_t end = std::min(size, at + 1 + static_cast<int32_t>(random() % 8));
        ASSERT_EQ(vsSjis_sjisToUnicode(text.data(), at, end, parts.data(), written, size, &written, &pending,
                                       &errors, flags),
                  end - at)
            << "chunk at " << at;
        at = end;
      }
      EXPECT_EQ(pending, wholePending);
      EXPECT_EQ(errors, wholeErrors);
      ASSERT_EQ(written, wholeWritten);
      for (int32_t i = 0; i < written; ++i) ASSERT_EQ(parts[i], whole[i]) << "unit " << i;
    }
  }
}

}  // namespace
