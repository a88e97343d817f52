// UTF-8 character streams over their four sources.
#include "vm/services/text/utf8_stream.h"

#include <gtest/gtest.h>

#include <vector>

#include "ce/substrate/low_memory.h"
#include "vm/core/model/object_layout.h"

namespace {

std::vector<int32_t> charsOf(VsUtf8Stream& s) {
  std::vector<int32_t> chars;
  s.rewind();
  while (s.position() < s.end()) chars.push_back(s.nextChar());
  return chars;
}

TEST(Utf8StreamTest, CountsAndDecodesATable) {
  const struct {
    std::vector<uint8_t> bytes;
    int32_t count;
    std::vector<int32_t> chars;
  } cases[] = {
      {{}, 0, {}},
      {{'a', 'b'}, 2, {'a', 'b'}},
      {{0xc0, 0x80}, 1, {0}},
      {{0x00}, -1, {-1}},
      {{0xe3, 0x81, 0x82}, 1, {0x3042}},
      {{0xe3, 0x81, 0x41}, 2, {0xc1, 'A'}},
      {{0xe3, 0x81}, -1, {-1, -1}},
      {{0x80}, -1, {-1}},
      {{0xf0, 'a'}, -1, {-1, 'a'}},
      {{0xff}, -1, {-1}},
      {{0xc3, 0xa9, 'x'}, 2, {0xe9, 'x'}},
      {{0xc3}, -1, {-1}},
      {{0xc3, 'x'}, -1, {-1, 'x'}},
      {{0xe0, 'x', 0x80}, -1, {-1, 'x', -1}},
      {{0xc1, 0xbf}, 1, {0x7f}},  // over-long forms keep their value
  };
  for (const auto& c : cases) {
    VsUtf8BufferStream s(c.bytes.data(), 0, static_cast<int32_t>(c.bytes.size()));
    EXPECT_EQ(s.countChars(), c.count) << "case of " << c.bytes.size() << " bytes";
    EXPECT_EQ(vsUtf8Stream_isValid(&s), c.count >= 0 ? 1 : 0);
    EXPECT_EQ(charsOf(s), c.chars);
  }
}

TEST(Utf8StreamTest, WorksInsideAWindowOfItsSource) {
  const uint8_t bytes[] = {'x', 'y', 0xe3, 0x81, 0x82, 'z', 0x80};
  VsUtf8BufferStream s(bytes, 2, 4);
  EXPECT_EQ(s.countChars(), 2);
  EXPECT_EQ(s.length(), 4);
  EXPECT_EQ(s.rewind(), 2);
  EXPECT_EQ(s.nextChar(), 0x3042);
  EXPECT_EQ(s.position(), 5);
  EXPECT_EQ(s.nextChar(), 'z');
  EXPECT_EQ(s.rewind(), 2);
  int32_t ch = 0;
  EXPECT_EQ(vsUtf8Reader_readChar(&s, 1, &ch), -1);
  EXPECT_EQ(vsUtf8Reader_readChar(&s, 6, &ch), -1);
  EXPECT_EQ(vsUtf8Reader_readChar(&s, 5, &ch), 6);
  EXPECT_EQ(ch, 'z');
  EXPECT_EQ(vsUtf8Stream_decodeChar(&s, 3, 0x41, &ch), 3);
  EXPECT_EQ(ch, 0x41);
}

TEST(Utf8StreamTest, EncodesThroughPutByte) {
  uint8_t out[8] = {};
  VsUtf8BufferStream s(out, 0, 8);
  EXPECT_EQ(vsUtf8Stream_encodeChar(&s, 0, 0x3042), 3);
  EXPECT_EQ(vsUtf8Stream_encodeChar(&s, 3, 0), 5);
  EXPECT_EQ(vsUtf8Stream_encodeChar(&s, 5, 'q'), 6);
  EXPECT_EQ(vsUtf8Stream_encodeChar(&s, 6, 0x7ff), 8);
  const uint8_t expected[] = {0xe3, 0x81, 0x82, 0xc0, 0x80, 'q', 0xdf, 0xbf};
  EXPECT_EQ(std::vector<uint8_t>(out, out + 8), std::vector<uint8_t>(expected, expected + 8));
  const struct {
    int32_t ch;
    int32_t length;
  } lengths[] = {{0, 2}, {1, 1}, {0x7f, 1}, {0x80, 2}, {0x7ff, 2}, {0x800, 3}, {0xffff, 3}};
  for (const auto& l : lengths) EXPECT_EQ(vsUtf8Stream_encodedLength(&s, l.ch), l.length) << l.ch;
}

TEST(Utf8StreamTest, BaseStreamIsACountingSink) {
  VsUtf8Stream sink(0, 3);
  EXPECT_EQ(vsUtf8Stream_encodeChar(&sink, 0, 0x3042), 3);
  EXPECT_EQ(sink.getByte(1), 0);
  EXPECT_EQ(sink.countChars(), -1);  // every byte reads as 0
  EXPECT_EQ(vsUtf8Stream_utf8Length(&sink), 6);  // three U+0000
}

TEST(Utf8StreamTest, Utf8LengthTakesEachByteAsACharacter) {
  const uint8_t bytes[] = {'a', 0x00, 0xe3};
  VsUtf8BufferStream s(bytes, 0, 3);
  EXPECT_EQ(vsUtf8Stream_utf8Length(&s), 1 + 2 + 3);
}

TEST(Utf8StreamTest, SymbolAndByteArraySourcesReadThroughTheirHandles) {
  auto* symbol = static_cast<VmSymbol*>(vsLow_alloc(16));
  symbol->length = 4;
  const uint8_t text[] = {'s', 0xc3, 0xa9, 't'};
  std::copy(text, text + 4, symbol->bytes);
  VmWord handle = vsWord_fromPointer(symbol);
  VsUtf8SymbolStream fromSymbol(&handle);
  EXPECT_EQ(fromSymbol.length(), 4);
  EXPECT_EQ(fromSymbol.countChars(), 3);
  EXPECT_EQ(charsOf(fromSymbol), (std::vector<int32_t>{'s', 0xe9, 't'}));

  // A copy of the symbol elsewhere: the stream follows the handle.
  auto* moved = static_cast<VmSymbol*>(vsLow_alloc(16));
  std::copy(reinterpret_cast<uint8_t*>(symbol), reinterpret_cast<uint8_t*>(symbol) + 16,
            reinterpret_cast<uint8_t*>(moved));
  moved->bytes[0] = 'm';
  handle = vsWord_fromPointer(moved);
  fromSymbol.rewind();
  EXPECT_EQ(fromSymbol.nextChar(), 'm');
  fromSymbol.putByte(3, 'u');
  EXPECT_EQ(moved->bytes[3], 'u');

  auto* array = static_cast<ByteArray*>(vsLow_alloc(16));
  array->length = 5;
  const int8_t elements[] = {'a', 'b', static_cast<int8_t>(0xc0), static_cast<int8_t>(0x80), 'c'};
  std::copy(elements, elements + 5, array->elements);
  VmWord arrayHandle = vsWord_fromPointer(array);
  VsUtf8ByteArrayStream whole(&arrayHandle);
  EXPECT_EQ(whole.countChars(), 4);
  VsUtf8ByteArrayStream window(&arrayHandle, 1, 3);
  EXPECT_EQ(charsOf(window), (std::vector<int32_t>{'b', 0}));
  EXPECT_EQ(window.getByte(2), -64);
  window.putByte(4, 'z');
  EXPECT_EQ(array->elements[4], 'z');
  vsLow_free(array);
  vsLow_free(moved);
  vsLow_free(symbol);
}

}  // namespace
