#include "port/support/base64.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string encode(const std::string& bytes) {
  char out[256];
  uint32_t length = sizeof out;
  EXPECT_EQ(base64_encode(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()), out,
                          &length),
            1);
  return std::string(out, length);
}

TEST(Base64, Rfc4648VectorsBothWays) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, coded] : vectors) {
    EXPECT_EQ(encode(plain), coded) << plain;
    uint8_t out[16];
    uint32_t length = sizeof out;
    EXPECT_EQ(base64_decode(coded, static_cast<uint32_t>(std::strlen(coded)), out, &length), 1) << coded;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), length), plain) << coded;
  }
}

TEST(Base64, EncodeSizes) {
  EXPECT_EQ(encode(std::string(1, '\xff')), "/w==");
  const std::string line = encode(std::string(57, 'x'));
  EXPECT_EQ(line.size(), 76u);
  EXPECT_EQ(line.find_first_of("\r\n="), std::string::npos);
  char out[4];
  uint32_t length = 3;
  EXPECT_EQ(base64_encode(reinterpret_cast<const uint8_t*>("a"), 1, out, &length), 0);
  EXPECT_EQ(base64_encode(nullptr, 1, out, &length), 0);
}

TEST(Base64, DecodeSkipsAndCounts) {
  struct Case {
    const char* text;
    uint32_t room;
    bool buffer;
    int result;
    uint32_t length;
    std::string bytes;
  };
  const Case cases[] = {
      {"Zm9v YmFy", 16, true, 1, 6, "foobar"},
      {"Zm9v\r\nYmFy", 16, true, 1, 6, "foobar"},
      {"Zm9v", 2, true, 0, 3, ""},      // does not fit: nothing written, counted
      {"Zm9vYmFy", 4, true, 0, 6, "foo"},  // the first group fits
      {"Zm9v", 0, false, 0, 3, ""},
      {"", 4, true, 1, 0, ""},
      {"", 4, false, 0, 0, ""},
      {"Z", 4, true, 1, 0, ""},
      {"Zm", 4, true, 1, 1, "f"},
      {"Zm9", 4, true, 1, 2, "fo"},
  };
  for (const Case& c : cases) {
    uint8_t out[16] = {};
    uint32_t length = c.room;
    EXPECT_EQ(base64_decode(c.text, static_cast<uint32_t>(std::strlen(c.text)), c.buffer ? out : nullptr, &length),
              c.result)
        << c.text;
    EXPECT_EQ(length, c.length) << c.text;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), c.bytes.size()), c.bytes) << c.text;
    if (c.result == 0 && c.buffer && c.bytes.empty()) {
      EXPECT_EQ(out[0], 0) << c.text;
    }
  }
}

}  // namespace
