// UTF-16 <-> UTF-8 helpers of the natives (see char_conv.h).
#include "vm/core/natives/char_conv.h"

#include "vm/services/lifecycle/utf8_code_point.h"
#include "vm/services/text/codec_step.h"

namespace {

constexpr VsCodecRules kEncodeRules = {'?', false, false, false};
constexpr VsCodecRules kDecodeRules = {0xFFFD, false, false, true};

int32_t encodeUnit(uint16_t ch, uint8_t* out) { return vsUtf8_encodeCodePoint(ch, out, 4); }

VsDecodedUnit decodeUnit(const uint8_t* src, int32_t pos, int32_t end, int32_t) {
  int32_t length = vsCharConv_utf8LeadLength(src[pos]);
  if (length == 0) return {VsUnitKind::skipped, 1, 0, 0};
  if (length == 1) return {VsUnitKind::mapped, 1, src[pos], 0};
  if (end - pos < length) return {VsUnitKind::cutOff, end - pos, 0, 0};
  uint16_t ch;
  if (vsUtf8_decodeCodePoint(src + pos, length, &ch) == 1) return {VsUnitKind::mapped, length, ch, 0};
  // The raw value: the trailing bytes forced into the continuation form.
  uint8_t forced[3] = {src[pos], 0, 0};
  for (int32_t i = 1; i < length; ++i) forced[i] = static_cast<uint8_t>(0x80 | (src[pos + i] & 0x3F));
  vsUtf8_decodeCodePoint(forced, length, &ch);
  return {VsUnitKind::unmappable, length, ch, length};
}

int32_t countChars(const uint8_t* src, int32_t start, int32_t end, int32_t) {
  return vsCharConv_utf8CharCount(src, start, end);
}

}  // namespace

int32_t vsCharConv_utf8LeadLength(int32_t byte) {
  if ((byte & 0x80) == 0) return 1;
  if ((byte & 0xE0) == 0xC0) return 2;
  if ((byte & 0xF0) == 0xE0) return 3;
  return 0;
}

int32_t vsCharConv_utf16Utf8Length(const uint16_t* chars, int32_t start, int32_t end) {
  int32_t count = 0;
  for (int32_t i = start; i < end; ++i) {
    uint16_t ch = chars[i];
    count += ch >= 0x0001 && ch <= 0x007E ? 1 : ch > 0x07FF ? 3 : 2;
  }
  return count;
}

int32_t vsCharConv_utf8CharCount(const uint8_t* bytes, int32_t start, int32_t end) {
  int32_t count = 0;
  for (int32_t i = start; i < end;) {
    int32_t length = vsCharConv_utf8LeadLength(bytes[i]);
    if (length == 0) {
      ++i;
      continue;
    }
    ++count;
    i += length;
  }
  return count;
}

int32_t vsCharConv_utf16ToUtf8(const uint16_t* src, int32_t start, int32_t end, uint8_t* dst,
                               int32_t dstStart, int32_t dstEnd, int32_t* outLen, int32_t* errors,
                               uint32_t flags) {
  if (src == nullptr) return -1;
  return vsCodecStep_encode(kEncodeRules, encodeUnit, vsCharConv_utf16Utf8Length, src, start, end, dst,
                            dstStart, dstEnd, outLen, errors, flags);
}

int32_t vsCharConv_utf8ToUtf16(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst,
                               int32_t dstStart, int32_t dstEnd, int32_t* outLen, uint8_t* lastByte,
                               int32_t* errors, uint32_t flags) {
  if (src == nullptr) return -1;
  return vsCodecStep_decode(kDecodeRules, decodeUnit, countChars, src, start, end, dst, dstStart, dstEnd,
                            outLen, lastByte, errors, flags);
}
