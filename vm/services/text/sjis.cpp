// Shift_JIS codec over the generated tables (see sjis.h).
#include "vm/services/text/sjis.h"

#include "vm/services/text/codec_step.h"
#include "vm/services/text/sjis_tables.h"

namespace {

constexpr VsCodecRules kEncodeRules = {'?', false, false, false};
constexpr VsCodecRules kDecodeRules = {0xFFFD, false, false, false};

constexpr bool isKatakanaByte(int32_t b) { return b >= 0xA1 && b <= 0xDF; }

// The Shift_JIS code of a char (a value below 0x100 is one byte); 0 when
// unmappable, and for U+0000, whose code is 0.
uint16_t codeOf(uint16_t ch) {
  if (ch < 0x80) return ch;
  const VsSjisEncodePage& page = kVsSjis_encodePages[ch >> 8];
  int32_t low = ch & 0xFF;
  if (low < page.lo || low > page.last) return 0;
  return kVsSjis_encodeCodes[page.base + low - page.lo];
}

// The char of a pair, 0 when unassigned.
uint16_t pairChar(int32_t lead, int32_t trail) {
  int32_t row = kVsSjis_leadRow[lead & 0xFF];
  if (row == 0 || !vsSjis_isTrailByte(trail)) return 0;
  return kVsSjis_decodeRows[row - 1][trail - kVsSjis_trailFirst];
}

int32_t encodeUnit(uint16_t ch, uint8_t* out) { return vsSjis_encodeChar(ch, out, 2); }

VsDecodedUnit decodeUnit(const uint8_t* src, int32_t pos, int32_t end, int32_t carried) {
  int32_t first = src[pos];
  int32_t lead = carried != 0 ? carried : (vsSjis_isLeadByte(first) ? first : 0);
  if (lead == 0) {
    if (first < 0x80) return {VsUnitKind::mapped, 1, static_cast<uint16_t>(first), 0};
    if (isKatakanaByte(first)) {
      return {VsUnitKind::mapped, 1, static_cast<uint16_t>(0xFF61 + first - 0xA1), 0};
    }
    return {VsUnitKind::unmappable, 1, static_cast<uint16_t>(first), 1};
  }
  int32_t leadBytes = carried != 0 ? 0 : 1;
  if (pos + leadBytes >= end) return {VsUnitKind::cutOff, 1, 0, 0};
  int32_t trail = src[pos + leadBytes];
  if (trail < kVsSjis_trailFirst) {
    return {VsUnitKind::unmappable, leadBytes, static_cast<uint16_t>(lead), 1};
  }
  uint16_t ch = pairChar(lead, trail);
  if (ch != 0) return {VsUnitKind::mapped, leadBytes + 1, ch, 0};
  return {VsUnitKind::unmappable, leadBytes + 1, static_cast<uint16_t>((lead << 8) | trail), 2};
}

int32_t countChars(const uint8_t* src, int32_t start, int32_t end, int32_t carried) {
  if (carried == 0 || start >= end) return vsSjis_countSjisChars(src, start, end);
  // The carried lead and its trail are one char; a byte below 0x40 is a
  // lone lead's follower and a char of its own.
  return 1 + vsSjis_countSjisChars(src, src[start] < kVsSjis_trailFirst ? start : start + 1, end);
}

}  // namespace

bool vsSjis_isLeadByte(int32_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool vsSjis_isTrailByte(int32_t b) { return b >= kVsSjis_trailFirst && b <= kVsSjis_trailLast && b != 0x7F; }

int32_t vsSjis_encodeChar(uint16_t ch, uint8_t* buffer, int32_t size) {
  uint16_t code = codeOf(ch);
  if (code == 0 && ch != 0) return 0;
  if (code < 0x100) {
    if (size < 1) return 0;
    buffer[0] = static_cast<uint8_t>(code);
    return 1;
  }
  if (size < 2) return 0;
  buffer[0] = static_cast<uint8_t>(code >> 8);
  buffer[1] = static_cast<uint8_t>(code);
  return 2;
}

int32_t vsSjis_decodeChar(const uint8_t* bytes, int32_t count, uint16_t* ch) {
  *ch = 0xFFFD;
  if (bytes == nullptr || count < 1) return 0;
  int32_t first = bytes[0];
  if (vsSjis_isLeadByte(first)) {
    uint16_t c = count >= 2 ? pairChar(first, bytes[1]) : 0;
    if (c == 0) return 0;
    *ch = c;
    return 1;
  }
  if (first < 0x80) {
    *ch = static_cast<uint16_t>(first);
    return 1;
  }
  if (!isKatakanaByte(first)) return 0;
  *ch = static_cast<uint16_t>(0xFF61 + first - 0xA1);
  return 1;
}

int32_t vsSjis_countSjisBytes(const uint16_t* src, int32_t start, int32_t end) {
  int32_t count = 0;
  for (int32_t i = start; i < end; ++i) {
    uint16_t ch = src[i];
    bool one = ch < 0x81 || ch == 0xA0 || ch == 0xA5 || ch == 0x203E || (ch >= 0xFF61 && ch <= 0xFF9F);
    count += one ? 1 : 2;
  }
  return count;
}

int32_t vsSjis_countSjisChars(const uint8_t* src, int32_t start, int32_t end) {
  int32_t count = 0;
  for (int32_t i = start; i < end; ++i) {
    if (vsSjis_isLeadByte(src[i])) {
      if (i + 1 == end) break;  // cut off: pending or dropped
      if (src[i + 1] >= kVsSjis_trailFirst) ++i;
    }
    ++count;
  }
  return count;
}

int32_t vsSjis_unicodeToSjis(const uint16_t* src, int32_t srcStart, int32_t srcEnd, uint8_t* dst,
                             int32_t dstStart, int32_t dstEnd, int32_t* written, int32_t* errors,
                             uint32_t flags) {
  return vsCodecStep_encode(kEncodeRules, encodeUnit, vsSjis_countSjisBytes, src, srcStart, srcEnd, dst,
                            dstStart, dstEnd, written, errors, flags);
}

int32_t vsSjis_sjisToUnicode(const uint8_t* src, int32_t srcStart, int32_t srcEnd, uint16_t* dst,
                             int32_t dstStart, int32_t dstEnd, int32_t* written, uint8_t* pendingLead,
                             int32_t* errors, uint32_t flags) {
  return vsCodecStep_decode(kDecodeRules, decodeUnit, countChars, src, srcStart, srcEnd, dst, dstStart,
                            dstEnd, written, pendingLead, errors, flags);
}
