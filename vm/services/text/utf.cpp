// Host-side UTF-16 <-> UTF-8 (see utf.h).
#include "vm/services/text/utf.h"

namespace {

// Bytes a lead announces; an invalid lead stands alone.
int32_t sequenceLength(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF8) return 4;
  if (lead < 0xFC) return 5;
  if (lead < 0xFE) return 6;
  return 1;
}

int32_t unitBytes(uint16_t ch) { return ch < 0x80 ? 1 : ch < 0x800 ? 2 : 3; }

// The unit of a whole sequence of `length` bytes, or -1 when it is malformed
// or above U+FFFF.
int32_t sequenceValue(const uint8_t* bytes, int32_t length) {
  uint8_t lead = bytes[0];
  if (length == 1) return lead < 0x80 ? lead : -1;
  uint32_t value = lead & (0x7F >> length);
  for (int32_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return -1;
    value = (value << 6) | (bytes[i] & 0x3F);
  }
  return value > 0xFFFF ? -1 : static_cast<int32_t>(value);
}

}  // namespace

int32_t vsUtf_utf16ToUtf8(const uint16_t* src, int32_t srcUnits, uint8_t* dst, int32_t dstBytes,
                          int32_t* bytesWritten) {
  if (src == nullptr || dst == nullptr || bytesWritten == nullptr || srcUnits < 0 || dstBytes < 0) return -2;
  *bytesWritten = 0;
  if (srcUnits == 0) return 0;
  int32_t at = 0;
  for (int32_t i = 0; i < srcUnits; ++i) {
    uint16_t ch = src[i];
    int32_t n = unitBytes(ch);
    if (n > dstBytes - at) {
      *bytesWritten = at;
      return -1;
    }
    if (n == 1) {
      dst[at] = static_cast<uint8_t>(ch);
    } else if (n == 2) {
      dst[at] = static_cast<uint8_t>(0xC0 | (ch >> 6));
      dst[at + 1] = static_cast<uint8_t>(0x80 | (ch & 0x3F));
    } else {
      dst[at] = static_cast<uint8_t>(0xE0 | (ch >> 12));
      dst[at + 1] = static_cast<uint8_t>(0x80 | ((ch >> 6) & 0x3F));
      dst[at + 2] = static_cast<uint8_t>(0x80 | (ch & 0x3F));
    }
    at += n;
  }
  *bytesWritten = at;
  return srcUnits;
}

int32_t vsUtf_utf16ToUtf8Length(const uint16_t* src, int32_t units) {
  if (src == nullptr || units < 0) return -1;
  int32_t bytes = 0;
  for (int32_t i = 0; i < units; ++i) bytes += unitBytes(src[i]);
  return bytes;
}

int32_t vsUtf_utf8ToUtf16(const uint8_t* src, int32_t srcBytes, uint16_t* dst, int32_t dstUnits,
                          int32_t* unitsWritten, int32_t* replacedCount, uint16_t replacementChar) {
  if (src == nullptr || dst == nullptr || unitsWritten == nullptr || srcBytes < 0 || dstUnits < 0) return -2;
  *unitsWritten = 0;
  if (srcBytes == 0) return 0;
  if (dstUnits == 0) return -1;
  uint16_t replacement = replacementChar != 0 ? replacementChar : 0xFFFD;
  int32_t at = 0;
  int32_t pos = 0;
  while (pos < srcBytes) {
    int32_t length = sequenceLength(src[pos]);
    if (length > srcBytes - pos) break;
    if (at == dstUnits) {
      *unitsWritten = at;
      return -1;
    }
    int32_t value = sequenceValue(src + pos, length);
    if (value < 0) {
      value = replacement;
      if (replacedCount != nullptr) ++*replacedCount;
    }
    dst[at++] = static_cast<uint16_t>(value);
    pos += length;
  }
  *unitsWritten = at;
  return pos;
}

int32_t vsUtf_utf8ToUtf16Length(const uint8_t* src, int32_t bytes) {
  if (src == nullptr || bytes < 0) return -1;
  int32_t units = 0;
  for (int32_t pos = 0; pos < bytes; ++units) {
    int32_t length = sequenceLength(src[pos]);
    if (length > bytes - pos) break;
    pos += length;
  }
  return units;
}
