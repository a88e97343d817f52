// The character-code conversion layer (see char_codes.h).
#include "vm/services/text/char_codes.h"

#include "vm/services/text/sjis.h"

namespace {

constexpr uint32_t kExactCount = kVsCharCodec_count | kVsCharCodec_exact;

}  // namespace

int32_t vsCharCodes_countUnicode2native(const uint16_t* src, int32_t length, VsCharEncoder encoder,
                                        uint32_t flags) {
  int32_t count = 0;
  if (encoder(src, 0, length, nullptr, 0, 0, &count, nullptr, flags | kExactCount) < 0) return -1;
  return count;
}

int32_t vsCharCodes_countUnicode2sjis(const uint16_t* src, int32_t length) {
  return vsCharCodes_countUnicode2native(src, length, vsSjis_unicodeToSjis, kVsCharCodec_replace);
}

int32_t vsCharCodes_countByte2unicode(const uint8_t* src, int32_t length, VsCharDecoder decoder, uint32_t flags) {
  int32_t count = 0;
  if (decoder(src, 0, length, nullptr, 0, 0, &count, nullptr, nullptr, flags | kExactCount) < 0) return -1;
  return count;
}

int32_t vsCharCodes_countSjis2unicode(const uint8_t* src, int32_t length) {
  return vsCharCodes_countByte2unicode(src, length, vsSjis_sjisToUnicode, kVsCharCodec_replace);
}

int32_t vsCharCodes_unicodeChar2native(uint16_t ch, VsCharEncodeChar charEncoder) {
  uint8_t bytes[2] = {};
  int32_t n = charEncoder(ch, bytes, 2);
  if (n == 1) return bytes[0];
  if (n == 2) return (bytes[0] << 8) | bytes[1];
  return 0;
}

int32_t vsCharCodes_unicodeChar2sjis(uint16_t ch) { return vsCharCodes_unicodeChar2native(ch, vsSjis_encodeChar); }
