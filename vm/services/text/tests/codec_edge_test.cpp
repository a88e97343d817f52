// Edge cases of the codec steps (Shift_JIS, ASCII, the VM's UTF-8 helpers),
// their one-character forms and counts, the host's UTF-16 <-> UTF-8 functions
// and the UTF-8 code-point forms, each family as one table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vm/core/natives/char_conv.h"
#include "vm/services/lifecycle/utf8_code_point.h"
#include "vm/services/text/ascii.h"
#include "vm/services/text/sjis.h"
#include "vm/services/text/utf.h"

namespace {

constexpr uint16_t kUnitSentinel = 0xBEEF;
constexpr uint8_t kByteSentinel = 0xEE;
constexpr uint32_t kReplace = kVsCharCodec_replace;
constexpr uint32_t kRaw = kVsCharCodec_raw;

constexpr uint32_t replacedBy(uint16_t ch) { return kReplace | (static_cast<uint32_t>(ch) << 16); }

struct DecodeCase {
  const char* name;
  VsCharDecoder decoder;
  std::vector<uint8_t> in;
  uint32_t flags;
  int32_t room;
  int32_t result;
  std::vector<uint16_t> out;
  int32_t errors;
};

struct EncodeCase {
  const char* name;
  VsCharEncoder encoder;
  std::vector<uint16_t> in;
  uint32_t flags;
  int32_t room;
  int32_t result;
  std::vector<uint8_t> out;
  int32_t errors;
};

// Runs one step into a destination of `room` units followed by sentinels and
// checks its result, errors and output, and that nothing beyond the output
// was written. A count writes nothing; `out` is then what a conversion
// would write.
template <typename Out, typename Call>
void checkStep(Out sentinel, uint32_t flags, int32_t room, int32_t result, const std::vector<Out>& out,
               int32_t errors, Call call) {
  std::vector<Out> dst(static_cast<size_t>(room) + 4, sentinel);
  int32_t written = -7;
  int32_t errorCount = 0;
  EXPECT_EQ(call(dst.data(), &written, &errorCount), result);
  EXPECT_EQ(errorCount, errors);
  ASSERT_EQ(written, static_cast<int32_t>(out.size()));
  size_t end = vsCharCodec_counting(flags) ? 0 : out.size();
  EXPECT_EQ(std::vector<Out>(dst.begin(), dst.begin() + static_cast<ptrdiff_t>(end)),
            std::vector<Out>(out.begin(), out.begin() + static_cast<ptrdiff_t>(end)));
  for (size_t i = end; i < dst.size(); ++i) ASSERT_EQ(dst[i], sentinel) << "unit " << i;
}

TEST(CodecEdgeTest, DecodersFollowTheTable) {
  const DecodeCase cases[] = {
      {"sjis hiragana a", vsSjis_sjisToUnicode, {0x82, 0xA0}, kReplace, 8, 2, {0x3042}, 0},
      {"sjis backslash", vsSjis_sjisToUnicode, {0x5C, 0x7E}, kReplace, 8, 2, {0x5C, 0x7E}, 0},
      {"sjis full-width reverse solidus", vsSjis_sjisToUnicode, {0x81, 0x5F}, kReplace, 8, 2, {0xFF3C}, 0},
      {"sjis em dash", vsSjis_sjisToUnicode, {0x81, 0x5C}, kReplace, 8, 2, {0x2014}, 0},
      {"sjis half-width katakana", vsSjis_sjisToUnicode, {0xA1, 0xDF}, kReplace, 8, 2, {0xFF61, 0xFF9F}, 0},
      {"sjis NEC row", vsSjis_sjisToUnicode, {0x87, 0x40}, kReplace, 8, 2, {0xFFFD}, 2},
      {"sjis single A0", vsSjis_sjisToUnicode, {0xA0}, kReplace, 8, 1, {0xFFFD}, 1},
      {"sjis trail 7F consumed", vsSjis_sjisToUnicode, {0x81, 0x7F, 0x41}, kReplace, 8, 3, {0xFFFD, 0x41}, 2},
      {"sjis trail FD consumed", vsSjis_sjisToUnicode, {0x81, 0xFD}, kReplace, 8, 2, {0xFFFD}, 2},
      {"sjis lone lead keeps the line feed", vsSjis_sjisToUnicode, {0x81, 0x0A}, kReplace, 8, 2,
       {0xFFFD, 0x0A}, 1},
      {"sjis lone lead raw", vsSjis_sjisToUnicode, {0x81, 0x0A}, kRaw, 8, 2, {0x81, 0x0A}, 1},
      {"sjis lone lead dropped", vsSjis_sjisToUnicode, {0x9F, 0x3F}, 0, 8, 2, {0x3F}, 1},
      {"sjis bad pair raw", vsSjis_sjisToUnicode, {0x87, 0x40}, kRaw, 8, 2, {0x8740}, 2},
      {"sjis bad single raw", vsSjis_sjisToUnicode, {0xFD}, kRaw, 8, 1, {0xFD}, 1},
      {"sjis dropped", vsSjis_sjisToUnicode, {0x80, 0x41, 0xFF}, 0, 8, 3, {0x41}, 2},
      {"sjis replacement from the flags", vsSjis_sjisToUnicode, {0xA0}, replacedBy('#'), 8, 1, {'#'}, 1},
      {"sjis lead at the end dropped", vsSjis_sjisToUnicode, {0x41, 0x82}, kReplace, 8, 2, {0x41}, 0},
      {"sjis full after a pair", vsSjis_sjisToUnicode, {0x82, 0xA0, 0x82, 0xA2}, kReplace, 1, -1, {0x3042}, 0},
      {"sjis full at once", vsSjis_sjisToUnicode, {0x41}, kReplace, 0, -1, {}, 0},
      {"sjis exact count", vsSjis_sjisToUnicode, {0x82, 0xA0, 0x81, 0x0A}, kVsCharCodec_count | kVsCharCodec_exact | kReplace,
       0, 4, {0x3042, 0xFFFD, 0x0A}, 1},
      {"ascii replaced", vsAscii_asciiToUnicode, {0x41, 0x80}, kReplace, 8, 2, {0x41, 0xFFFD}, 1},
      {"ascii raw", vsAscii_asciiToUnicode, {0xC3}, kRaw, 8, 1, {0xC3}, 1},
      {"ascii full at once", vsAscii_asciiToUnicode, {0x41}, kReplace, 0, -1, {}, 0},
      {"ascii full after one", vsAscii_asciiToUnicode, {0x41, 0x42}, kReplace, 1, -1, {0x41}, 0},
      {"ascii full after two", vsAscii_asciiToUnicode, {0x41, 0x42, 0x43}, kReplace, 2, -2, {0x41, 0x42}, 0},
      {"utf8 two bytes", vsCharConv_utf8ToUtf16, {0xC3, 0xA9}, kReplace, 8, 2, {0xE9}, 0},
      {"utf8 three bytes", vsCharConv_utf8ToUtf16, {0xE3, 0x81, 0x82}, kReplace, 8, 3, {0x3042}, 0},
      {"utf8 stray continuation skipped", vsCharConv_utf8ToUtf16, {0x80, 0x41, 0xF0}, kReplace, 8, 3, {0x41}, 0},
      {"utf8 over-long refused", vsCharConv_utf8ToUtf16, {0xC0, 0x80}, kReplace, 8, 2, {0xFFFD}, 2},
      {"utf8 surrogate refused", vsCharConv_utf8ToUtf16, {0xED, 0xA0, 0x80}, kReplace, 8, 3, {0xFFFD}, 3},
      {"utf8 bad continuation forced", vsCharConv_utf8ToUtf16, {0xC3, 0x41}, kRaw, 8, 2, {0xC1}, 2},
      {"utf8 bad sequence dropped", vsCharConv_utf8ToUtf16, {0xE3, 0x41, 0x82, 0x42}, 0, 8, 4, {0x42}, 3},
      {"utf8 cut off dropped", vsCharConv_utf8ToUtf16, {0x41, 0xE3, 0x81}, kReplace, 8, 3, {0x41}, 0},
      {"utf8 full", vsCharConv_utf8ToUtf16, {0x41, 0xC3, 0xA9}, kReplace, 1, -1, {0x41}, 0},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    checkStep<uint16_t>(kUnitSentinel, c.flags, c.room, c.result, c.out, c.errors,
                        [&](uint16_t* dst, int32_t* written, int32_t* errors) {
                          return c.decoder(c.in.data(), 0, static_cast<int32_t>(c.in.size()), dst, 0, c.room,
                                           written, nullptr, errors, c.flags);
                        });
  }
}

TEST(CodecEdgeTest, EncodersFollowTheTable) {
  const EncodeCase cases[] = {
      {"sjis hiragana a", vsSjis_unicodeToSjis, {0x3042}, kReplace, 8, 1, {0x82, 0xA0}, 0},
      {"sjis yen one way", vsSjis_unicodeToSjis, {0x00A5, 0x203E}, kReplace, 8, 2, {0x5C, 0x7E}, 0},
      {"sjis full-width reverse solidus", vsSjis_unicodeToSjis, {0xFF3C}, kReplace, 8, 1, {0x81, 0x5F}, 0},
      {"sjis em dash", vsSjis_unicodeToSjis, {0x2014}, kReplace, 8, 1, {0x81, 0x5C}, 0},
      {"sjis horizontal bar unmappable", vsSjis_unicodeToSjis, {0x2015}, kReplace, 8, 1, {'?'}, 1},
      {"sjis full-width tilde unmappable", vsSjis_unicodeToSjis, {0xFF5E}, kReplace, 8, 1, {'?'}, 1},
      {"sjis NUL", vsSjis_unicodeToSjis, {0x0000}, kReplace, 8, 1, {0x00}, 0},
      {"sjis raw keeps both bytes", vsSjis_unicodeToSjis, {0x0080}, kRaw, 8, 1, {0x00, 0x80}, 1},
      {"sjis two-byte replacement", vsSjis_unicodeToSjis, {0x2015}, replacedBy(0x8140), 8, 1, {0x81, 0x40}, 1},
      {"sjis dropped", vsSjis_unicodeToSjis, {0x2015, 0x41}, 0, 8, 2, {0x41}, 1},
      {"sjis full before a pair", vsSjis_unicodeToSjis, {0x41, 0x3042}, kReplace, 2, -1, {0x41}, 0},
      {"sjis fast count", vsSjis_unicodeToSjis, {0x41, 0x3042, 0xFF61}, kVsCharCodec_count, 0, 3,
       {0x41, 0x82, 0xA0, 0xB1}, 0},
      {"ascii replaced", vsAscii_unicodeToAscii, {'c', 0xE9}, kReplace, 8, 2, {'c', '?'}, 1},
      {"ascii replacement is one byte", vsAscii_unicodeToAscii, {0xE9}, replacedBy(0x1234), 8, 1, {0x34}, 1},
      {"ascii raw", vsAscii_unicodeToAscii, {0xE9}, kRaw, 8, 1, {0x00, 0xE9}, 1},
      {"ascii full at once", vsAscii_unicodeToAscii, {'A'}, kReplace, 0, -1, {}, 0},
      {"ascii full after one", vsAscii_unicodeToAscii, {'A', 'B'}, kReplace, 1, -1, {'A'}, 0},
      {"ascii full after two", vsAscii_unicodeToAscii, {'A', 'B', 'C'}, kReplace, 2, -2, {'A', 'B'}, 0},
      {"utf8 forms", vsCharConv_utf16ToUtf8, {0x41, 0xE9, 0x3042}, kReplace, 8, 3,
       {0x41, 0xC3, 0xA9, 0xE3, 0x81, 0x82}, 0},
      {"utf8 NUL", vsCharConv_utf16ToUtf8, {0x0000}, kReplace, 8, 1, {0x00}, 0},
      {"utf8 surrogate replaced", vsCharConv_utf16ToUtf8, {0xD800}, kReplace, 8, 1, {'?'}, 1},
      {"utf8 surrogate raw", vsCharConv_utf16ToUtf8, {0xDC01}, kRaw, 8, 1, {0xDC, 0x01}, 1},
      {"utf8 surrogate dropped", vsCharConv_utf16ToUtf8, {0xD800, 0x41}, 0, 8, 2, {0x41}, 1},
      {"utf8 full", vsCharConv_utf16ToUtf8, {0x41, 0x3042}, kReplace, 3, -1, {0x41}, 0},
  };
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    checkStep<uint8_t>(kByteSentinel, c.flags, c.room, c.result, c.out, c.errors,
                       [&](uint8_t* dst, int32_t* written, int32_t* errors) {
                         return c.encoder(c.in.data(), 0, static_cast<int32_t>(c.in.size()), dst, 0, c.room,
                                          written, errors, c.flags);
                       });
  }
}

TEST(CodecEdgeTest, StepsRefuseBadArguments) {
  uint16_t units[4] = {0x41};
  uint8_t bytes[4] = {0x41};
  int32_t written = 0;
  for (VsCharDecoder decoder : {vsSjis_sjisToUnicode, vsAscii_asciiToUnicode, vsCharConv_utf8ToUtf16}) {
    EXPECT_EQ(decoder(nullptr, 0, 1, units, 0, 4, &written, nullptr, nullptr, 0), -1);
    EXPECT_EQ(decoder(bytes, 1, 0, units, 0, 4, &written, nullptr, nullptr, 0), -1);
    EXPECT_EQ(decoder(bytes, 0, 1, units, 3, 2, &written, nullptr, nullptr, 0), -1);
    EXPECT_EQ(decoder(bytes, 0, 1, units, 0, 4, nullptr, nullptr, nullptr, 0), -1);
  }
  for (VsCharEncoder encoder : {vsSjis_unicodeToSjis, vsAscii_unicodeToAscii, vsCharConv_utf16ToUtf8}) {
    EXPECT_EQ(encoder(nullptr, 0, 1, bytes, 0, 4, &written, nullptr, 0), -1);
    EXPECT_EQ(encoder(units, 1, 0, bytes, 0, 4, &written, nullptr, 0), -1);
    EXPECT_EQ(encoder(units, 0, 1, bytes, 3, 2, &written, nullptr, 0), -1);
  }
}

// A text split after a lead byte decodes as the whole text when the lead is
// carried from one call to the next; the step then starts at the trail.
TEST(CodecEdgeTest, SjisCarriesAPendingLeadAcrossCalls) {
  const struct {
    const char* name;
    std::vector<uint8_t> text;
    size_t cut;
  } cases[] = {
      {"pair", {0x41, 0x82, 0xA0, 0x42}, 2},
      {"lone lead before a line feed", {0x41, 0x81, 0x0A, 0x42}, 2},
      {"bad pair", {0x87, 0x40}, 1},
      {"two cuts in a row", {0x88, 0x9F, 0x88, 0x9F}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t size = static_cast<int32_t>(c.text.size());
    int32_t cut = static_cast<int32_t>(c.cut);
    uint16_t whole[8];
    int32_t wholeWritten = 0;
    int32_t wholeErrors = 0;
    ASSERT_EQ(vsSjis_sjisToUnicode(c.text.data(), 0, size, whole, 0, 8, &wholeWritten, nullptr, &wholeErrors,
                                   kReplace),
              size);
    uint16_t parts[8];
    int32_t written = 0;
    int32_t errors = 0;
    uint8_t pending = 0;
    ASSERT_EQ(vsSjis_sjisToUnicode(c.text.data(), 0, cut, parts, 0, 8, &written, &pending, &errors, kReplace),
              cut);
    EXPECT_EQ(pending, c.text[c.cut - 1]);
    int32_t fast = 0;
    ASSERT_EQ(vsSjis_sjisToUnicode(c.text.data(), cut, size, nullptr, 0, 0, &fast, &pending, nullptr,
                                   kVsCharCodec_count),
              size - cut);
    EXPECT_GE(written + fast, wholeWritten);
    ASSERT_GE(vsSjis_sjisToUnicode(c.text.data(), cut, size, parts, written, 8, &written, &pending, &errors,
                                   kReplace),
              0);
    EXPECT_EQ(pending, 0);
    EXPECT_EQ(errors, wholeErrors);
    EXPECT_EQ(std::vector<uint16_t>(parts, parts + written), std::vector<uint16_t>(whole, whole + wholeWritten));
  }
}

TEST(CodecEdgeTest, OneCharacterForms) {
  uint8_t buffer[2];
  EXPECT_EQ(vsSjis_encodeChar(0x3042, buffer, 2), 2);
  EXPECT_EQ(buffer[0], 0x82);
  EXPECT_EQ(buffer[1], 0xA0);
  EXPECT_EQ(vsSjis_encodeChar(0x3042, buffer, 1), 0);
  EXPECT_EQ(vsSjis_encodeChar(0xFF9F, buffer, 2), 1);
  EXPECT_EQ(buffer[0], 0xDF);
  EXPECT_EQ(vsSjis_encodeChar(0x2015, buffer, 2), 0);
  EXPECT_EQ(vsAscii_encodeChar(0x7F, buffer, 2), 1);
  EXPECT_EQ(vsAscii_encodeChar(0x80, buffer, 2), 0);

  const struct {
    std::vector<uint8_t> bytes;
    int32_t sjisResult;
    uint16_t sjisChar;
    int32_t asciiResult;
    uint16_t asciiChar;
  } cases[] = {
      {{0x00}, 1, 0x0000, 1, 0x0000},       {{0x82, 0xA0}, 1, 0x3042, 0, 0xFFFD},
      {{0x82}, 0, 0xFFFD, 0, 0xFFFD},       {{0xA0}, 0, 0xFFFD, 0, 0xFFFD},
      {{0xB1}, 1, 0xFF71, 0, 0xFFFD},       {{0x87, 0x40}, 0, 0xFFFD, 0, 0xFFFD},
      {{0x7F}, 1, 0x007F, 1, 0x007F},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    uint16_t ch = 0;
    EXPECT_EQ(vsSjis_decodeChar(c.bytes.data(), static_cast<int32_t>(c.bytes.size()), &ch), c.sjisResult);
    EXPECT_EQ(ch, c.sjisChar);
    EXPECT_EQ(vsAscii_decodeChar(c.bytes.data(), static_cast<int32_t>(c.bytes.size()), &ch), c.asciiResult);
    EXPECT_EQ(ch, c.asciiChar);
  }
  EXPECT_TRUE(vsSjis_isLeadByte(0x81));
  EXPECT_TRUE(vsSjis_isLeadByte(0xFC));
  EXPECT_FALSE(vsSjis_isLeadByte(0xA0));
  EXPECT_FALSE(vsSjis_isLeadByte(0xFD));
  EXPECT_TRUE(vsSjis_isTrailByte(0x40));
  EXPECT_FALSE(vsSjis_isTrailByte(0x7F));
  EXPECT_FALSE(vsSjis_isTrailByte(0xFD));
}

TEST(CodecEdgeTest, CountingRules) {
  const struct {
    const char* name;
    std::vector<uint16_t> units;
    int32_t utf8Bound;
    int32_t sjisBound;
  } unitCases[] = {
      {"U+0041 U+007F U+0000", {0x41, 0x7F, 0x00}, 5, 3},
      {"U+0080 U+07FF U+0800", {0x80, 0x7FF, 0x800}, 7, 5},
      {"U+00A0 U+00A5 U+203E U+FF61", {0xA0, 0xA5, 0x203E, 0xFF61}, 10, 4},
      {"surrogates", {0xD800, 0xDFFF}, 6, 4},
  };
  for (const auto& c : unitCases) {
    SCOPED_TRACE(c.name);
    int32_t n = static_cast<int32_t>(c.units.size());
    EXPECT_EQ(vsCharConv_utf16Utf8Length(c.units.data(), 0, n), c.utf8Bound);
    EXPECT_EQ(vsSjis_countSjisBytes(c.units.data(), 0, n), c.sjisBound);
  }
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    int32_t utf8Chars;
    int32_t sjisChars;
  } byteCases[] = {
      {"ASCII", {'a', 'b', 0}, 3, 3},
      {"two- and three-byte leads skip unchecked", {0xC3, 'x', 0xE3, 'y', 'z', 'w'}, 3, 5},
      {"continuations and F0-FF count nothing", {0x80, 0xBF, 0xF0, 0xFF, 'a'}, 1, 4},
      {"lead pairs and a lone lead", {0x82, 0xA0, 0x81, 0x0A, 0x81}, 1, 3},
  };
  for (const auto& c : byteCases) {
    SCOPED_TRACE(c.name);
    int32_t n = static_cast<int32_t>(c.bytes.size());
    EXPECT_EQ(vsCharConv_utf8CharCount(c.bytes.data(), 0, n), c.utf8Chars);
    EXPECT_EQ(vsSjis_countSjisChars(c.bytes.data(), 0, n), c.sjisChars);
  }
  const struct {
    int32_t byte;
    int32_t length;
  } leads[] = {{0x00, 1}, {0x7F, 1}, {0x80, 0}, {0xBF, 0}, {0xC0, 2}, {0xDF, 2}, {0xE0, 3}, {0xEF, 3}, {0xF0, 0},
               {0xFF, 0}};
  for (const auto& l : leads) EXPECT_EQ(vsCharConv_utf8LeadLength(l.byte), l.length) << l.byte;
  // The fast counts of the steps: the whole source is consumed; no count is 0.
  uint16_t none = 0;
  int32_t written = -7;
  EXPECT_EQ(vsCharConv_utf16ToUtf8(&none, 0, 0, nullptr, 0, 0, &written, nullptr, kVsCharCodec_count), 0);
  EXPECT_EQ(written, 0);
}

TEST(CodecEdgeTest, HostUtf8ToUtf16) {
  const struct {
    const char* name;
    std::vector<uint8_t> in;
    int32_t room;
    uint16_t replacement;
    int32_t result;
    std::vector<uint16_t> out;
    int32_t replaced;
  } cases[] = {
      {"outside the BMP", {0xF0, 0x9F, 0x98, 0x80}, 8, 0, 4, {0xFFFD}, 1},
      {"two bytes", {0xC3, 0xA9}, 8, 0, 2, {0xE9}, 0},
      {"over-long kept", {0xC0, 0x80, 0xE0, 0x80, 0xAF}, 8, 0, 5, {0x00, 0x2F}, 0},
      {"surrogate kept", {0xED, 0xA0, 0x80}, 8, 0, 3, {0xD800}, 0},
      {"stray continuation", {0x80, 0x41}, 8, 0, 2, {0xFFFD, 0x41}, 1},
      {"FE and FF", {0xFE, 0xFF}, 8, '?', 2, {'?', '?'}, 2},
      {"no resynchronising", {0xE3, 0x41, 0x82, 0x42}, 8, 0, 4, {0xFFFD, 0x42}, 1},
      {"five-byte form", {0xF8, 0x80, 0x80, 0x81, 0x81}, 8, 0, 5, {0x41}, 0},
      {"ends inside a sequence", {0x41, 0xE3, 0x81}, 8, 0, 1, {0x41}, 0},
      {"full", {0x41, 0x42}, 1, 0, -1, {0x41}, 0},
      {"no room at all", {0xC3}, 0, 0, -1, {}, 0},
      {"empty", {}, 0, 0, 0, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint16_t> dst(static_cast<size_t>(c.room) + 2, kUnitSentinel);
    int32_t written = -7;
    int32_t replaced = 0;
    uint8_t none = 0;
    const uint8_t* src = c.in.empty() ? &none : c.in.data();
    EXPECT_EQ(vsUtf_utf8ToUtf16(src, static_cast<int32_t>(c.in.size()), dst.data(), c.room, &written, &replaced,
                                c.replacement),
              c.result);
    EXPECT_EQ(replaced, c.replaced);
    ASSERT_EQ(written, static_cast<int32_t>(c.out.size()));
    EXPECT_EQ(std::vector<uint16_t>(dst.begin(), dst.begin() + written), c.out);
    EXPECT_EQ(dst[static_cast<size_t>(written)], kUnitSentinel);
    if (c.result >= 0) {
      EXPECT_EQ(vsUtf_utf8ToUtf16Length(src, static_cast<int32_t>(c.in.size())), written);
    }
  }
  uint16_t unit;
  uint8_t byte = 0x41;
  int32_t written;
  EXPECT_EQ(vsUtf_utf8ToUtf16(nullptr, 1, &unit, 1, &written, nullptr, 0), -2);
  EXPECT_EQ(vsUtf_utf8ToUtf16(&byte, 1, nullptr, 1, &written, nullptr, 0), -2);
  EXPECT_EQ(vsUtf_utf8ToUtf16(&byte, -1, &unit, 1, &written, nullptr, 0), -2);
  EXPECT_EQ(vsUtf_utf8ToUtf16(&byte, 1, &unit, 1, &written, nullptr, 0), 1);
  EXPECT_EQ(vsUtf_utf8ToUtf16Length(nullptr, 1), -1);
  EXPECT_EQ(vsUtf_utf8ToUtf16Length(&byte, -1), -1);
}

TEST(CodecEdgeTest, HostUtf16ToUtf8) {
  const struct {
    const char* name;
    std::vector<uint16_t> in;
    int32_t room;
    int32_t result;
    std::vector<uint8_t> out;
  } cases[] = {
      {"forms", {0x00, 0x7F, 0x80, 0x7FF, 0x800, 0xFFFF}, 16, 6,
       {0x00, 0x7F, 0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF}},
      {"surrogates as values", {0xD83D, 0xDE00}, 8, 2, {0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}},
      {"a character only whole", {0x41, 0x3042}, 3, -1, {0x41}},
      {"no room at all", {0x41}, 0, -1, {}},
      {"empty", {}, 0, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> dst(static_cast<size_t>(c.room) + 2, kByteSentinel);
    int32_t written = -7;
    uint16_t none = 0;
    const uint16_t* src = c.in.empty() ? &none : c.in.data();
    int32_t units = static_cast<int32_t>(c.in.size());
    EXPECT_EQ(vsUtf_utf16ToUtf8(src, units, dst.data(), c.room, &written), c.result);
    ASSERT_EQ(written, static_cast<int32_t>(c.out.size()));
    EXPECT_EQ(std::vector<uint8_t>(dst.begin(), dst.begin() + written), c.out);
    EXPECT_EQ(dst[static_cast<size_t>(written)], kByteSentinel);
    if (c.result >= 0) {
      EXPECT_EQ(vsUtf_utf16ToUtf8Length(src, units), written);
    }
  }
  uint16_t unit = 0x41;
  uint8_t byte;
  int32_t written;
  EXPECT_EQ(vsUtf_utf16ToUtf8(nullptr, 1, &byte, 1, &written), -2);
  EXPECT_EQ(vsUtf_utf16ToUtf8(&unit, 1, &byte, -1, &written), -2);
  EXPECT_EQ(vsUtf_utf16ToUtf8(&unit, 1, &byte, 1, nullptr), -2);
  EXPECT_EQ(vsUtf_utf16ToUtf8Length(nullptr, 0), -1);
  EXPECT_EQ(vsUtf_utf16ToUtf8Length(&unit, -1), -1);
}

TEST(CodecEdgeTest, CodePointForms) {
  const struct {
    int32_t code;
    int32_t room;
    int32_t result;
    std::vector<uint8_t> bytes;
  } encodes[] = {
      {'A', 3, -1, {}},         {'A', 4, 1, {'A'}},
      {0xD800, 4, 0, {}},       {0xDFFF, 4, 0, {}},
      {0x7FF, 4, 2, {0xDF, 0xBF}}, {0xFFFF, 4, 3, {0xEF, 0xBF, 0xBF}},
      {0x10000, 4, 0, {}},      {0, 4, 1, {0}},
  };
  for (const auto& e : encodes) {
    SCOPED_TRACE(e.code);
    uint8_t buffer[4] = {kByteSentinel, kByteSentinel, kByteSentinel, kByteSentinel};
    EXPECT_EQ(vsUtf8_encodeCodePoint(e.code, buffer, e.room), e.result);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + (e.result > 0 ? e.result : 0)), e.bytes);
  }
  const struct {
    std::vector<uint8_t> bytes;
    int32_t available;
    int32_t result;
    uint16_t ch;
  } decodes[] = {
      {{0x41}, 1, 1, 0x41},
      {{0xC3, 0xA9}, 2, 1, 0xE9},
      {{0xC3, 0xA9}, 1, 0, 0xFFFD},
      {{0xC1, 0xBF}, 2, 0, 0xFFFD},
      {{0xC3, 0x29}, 2, 0, 0xFFFD},
      {{0xE3, 0x81, 0x82}, 3, 1, 0x3042},
      {{0xE0, 0x9F, 0xBF}, 3, 0, 0xFFFD},
      {{0xED, 0xA0, 0x80}, 3, 0, 0xFFFD},
      {{0xEE, 0x80, 0x80}, 3, 1, 0xE000},
      {{0xF0, 0x9F, 0x98, 0x80}, 4, 0, 0xFFFD},
      {{0x80}, 1, 0, 0xFFFD},
  };
  for (const auto& d : decodes) {
    SCOPED_TRACE(testing::PrintToString(d.bytes));
    uint16_t ch = 0;
    EXPECT_EQ(vsUtf8_decodeCodePoint(d.bytes.data(), d.available, &ch), d.result);
    EXPECT_EQ(ch, d.ch);
  }
}

}  // namespace
