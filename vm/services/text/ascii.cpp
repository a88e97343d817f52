// ASCII codec (see ascii.h).
#include "vm/services/text/ascii.h"

#include "vm/services/text/codec_step.h"

namespace {

constexpr VsCodecRules kEncodeRules = {'?', true, true, false};
constexpr VsCodecRules kDecodeRules = {0xFFFD, false, true, false};

int32_t encodeUnit(uint16_t ch, uint8_t* out) { return vsAscii_encodeChar(ch, out, 1); }

VsDecodedUnit decodeUnit(const uint8_t* src, int32_t pos, int32_t, int32_t) {
  uint16_t b = src[pos];
  return b < 0x80 ? VsDecodedUnit{VsUnitKind::mapped, 1, b, 0} : VsDecodedUnit{VsUnitKind::unmappable, 1, b, 1};
}

// Fast counts: one unit per source unit.
int32_t countBytes(const uint16_t*, int32_t start, int32_t end) { return end - start; }
int32_t countChars(const uint8_t*, int32_t start, int32_t end, int32_t) { return end - start; }

}  // namespace

int32_t vsAscii_encodeChar(uint16_t ch, uint8_t* buffer, int32_t size) {
  if (ch > 0x7F || size < 1) return 0;
  buffer[0] = static_cast<uint8_t>(ch);
  return 1;
}

int32_t vsAscii_decodeChar(const uint8_t* bytes, int32_t count, uint16_t* ch) {
  *ch = 0xFFFD;
  if (bytes == nullptr || count < 1 || bytes[0] >= 0x80) return 0;
  *ch = bytes[0];
  return 1;
}

int32_t vsAscii_unicodeToAscii(const uint16_t* src, int32_t srcStart, int32_t srcEnd, uint8_t* dst,
                               int32_t dstStart, int32_t dstEnd, int32_t* written, int32_t* errors,
                               uint32_t flags) {
  return vsCodecStep_encode(kEncodeRules, encodeUnit, countBytes, src, srcStart, srcEnd, dst, dstStart,
                            dstEnd, written, errors, flags);
}

int32_t vsAscii_asciiToUnicode(const uint8_t* src, int32_t srcStart, int32_t srcEnd, uint16_t* dst,
                               int32_t dstStart, int32_t dstEnd, int32_t* written, uint8_t* pending,
                               int32_t* errors, uint32_t flags) {
  return vsCodecStep_decode(kDecodeRules, decodeUnit, countChars, src, srcStart, srcEnd, dst, dstStart,
                            dstEnd, written, pending, errors, flags);
}
