// UTF-8 forms of one code point (see utf8_code_point.h).
#include "vm/services/lifecycle/utf8_code_point.h"

namespace {

constexpr bool isContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }
constexpr bool isSurrogate(int32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

}  // namespace

int32_t vsUtf8_decodeCodePoint(const uint8_t* bytes, int32_t available, uint16_t* out) {
  *out = 0xFFFD;
  if (bytes == nullptr || available < 1) return 0;
  uint8_t lead = bytes[0];
  int32_t code;
  if (lead < 0x80) {
    code = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    if (available < 2 || !isContinuation(bytes[1])) return 0;
    code = ((lead & 0x1F) << 6) | (bytes[1] & 0x3F);
    if (code < 0x80) return 0;
  } else if ((lead & 0xF0) == 0xE0) {
    if (available < 3 || !isContinuation(bytes[1]) || !isContinuation(bytes[2])) return 0;
    code = ((lead & 0x0F) << 12) | ((bytes[1] & 0x3F) << 6) | (bytes[2] & 0x3F);
    if (code < 0x800 || isSurrogate(code)) return 0;
  } else {
    return 0;
  }
  *out = static_cast<uint16_t>(code);
  return 1;
}

int32_t vsUtf8_encodeCodePoint(int32_t code, uint8_t* buffer, int32_t room) {
  if (room < 4) return -1;
  if (code < 0 || code > 0xFFFF || isSurrogate(code)) return 0;
  if (code < 0x80) {
    buffer[0] = static_cast<uint8_t>(code);
    return 1;
  }
  if (code < 0x800) {
    buffer[0] = static_cast<uint8_t>(0xC0 | (code >> 6));
    buffer[1] = static_cast<uint8_t>(0x80 | (code & 0x3F));
    return 2;
  }
  buffer[0] = static_cast<uint8_t>(0xE0 | (code >> 12));
  buffer[1] = static_cast<uint8_t>(0x80 | ((code >> 6) & 0x3F));
  buffer[2] = static_cast<uint8_t>(0x80 | (code & 0x3F));
  return 3;
}
