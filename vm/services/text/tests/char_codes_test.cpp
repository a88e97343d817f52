// The conversion layer: exact counts and one-character packing.
#include "vm/services/text/char_codes.h"

#include <gtest/gtest.h>

#include <vector>

#include "vm/core/natives/char_conv.h"
#include "vm/services/text/ascii.h"
#include "vm/services/text/sjis.h"

namespace {

TEST(CharCodesTest, PacksOneCharacterBigEndian) {
  const struct {
    uint16_t ch;
    VsCharEncodeChar encoder;
    int32_t packed;
  } cases[] = {
      {0x3042, vsSjis_encodeChar, 0x82A0}, {0x00A5, vsSjis_encodeChar, 0x5C}, {0xFF61, vsSjis_encodeChar, 0xA1},
      {0x2015, vsSjis_encodeChar, 0},      {'A', vsAscii_encodeChar, 'A'},    {0xE9, vsAscii_encodeChar, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(vsCharCodes_unicodeChar2native(c.ch, c.encoder), c.packed) << c.ch;
  EXPECT_EQ(vsCharCodes_unicodeChar2sjis(0x3042), 0x82A0);
}

TEST(CharCodesTest, CountsExactly) {
  const std::vector<uint16_t> text = {'a', 0x3042, 0x2015, 0xFF61, 0x0080};
  const int32_t n = static_cast<int32_t>(text.size());
  EXPECT_EQ(vsCharCodes_countUnicode2sjis(text.data(), n), 1 + 2 + 1 + 1 + 1);
  EXPECT_EQ(vsCharCodes_countUnicode2native(text.data(), n, vsSjis_unicodeToSjis, kVsCharCodec_raw), 1 + 2 + 2 + 1 + 2);
  EXPECT_EQ(vsCharCodes_countUnicode2native(text.data(), n, vsSjis_unicodeToSjis, 0), 1 + 2 + 1);
  EXPECT_EQ(vsCharCodes_countUnicode2native(text.data(), n, vsCharConv_utf16ToUtf8, 0), 1 + 3 + 3 + 3 + 2);
  const std::vector<uint8_t> bytes = {0x82, 0xA0, 0x81, 0x0A, 0xA0, 0x82};
  const int32_t m = static_cast<int32_t>(bytes.size());
  EXPECT_EQ(vsCharCodes_countSjis2unicode(bytes.data(), m), 1 + 2 + 1);
  EXPECT_EQ(vsCharCodes_countByte2unicode(bytes.data(), m, vsSjis_sjisToUnicode, 0), 1 + 1);
  EXPECT_EQ(vsCharCodes_countByte2unicode(bytes.data(), m, vsAscii_asciiToUnicode, kVsCharCodec_replace), 6);
  EXPECT_EQ(vsCharCodes_countByte2unicode(nullptr, 1, vsAscii_asciiToUnicode, 0), -1);
  EXPECT_EQ(vsCharCodes_countUnicode2native(nullptr, 1, vsAscii_unicodeToAscii, 0), -1);
}

}  // namespace
