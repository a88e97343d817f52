// Base64 (see base64.h).
#include "port/support/base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
static_assert(sizeof kAlphabet == 65, "64 characters");

int lValue(char c) {
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  if (c == '+')
    return 62;
  if (c == '/')
    return 63;
  return -1;
}

}  // namespace

void base64_init() {}

int base64_encode(const uint8_t* bytes, uint32_t count, char* out, uint32_t* length) {
  if (bytes == nullptr || out == nullptr || length == nullptr)
    return 0;
  const uint64_t needed = 4 * ((uint64_t{count} + 2) / 3);
  if (needed > *length)
    return 0;
  uint64_t w = 0;
  for (uint32_t i = 0; i < count; i += 3) {
    const uint32_t left = count - i;
    const uint32_t group = (uint32_t{bytes[i]} << 16) | (left > 1 ? uint32_t{bytes[i + 1]} << 8 : 0) |
                           (left > 2 ? bytes[i + 2] : 0);
    out[w++] = kAlphabet[(group >> 18) & 63];
    out[w++] = kAlphabet[(group >> 12) & 63];
    out[w++] = left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
    out[w++] = left > 2 ? kAlphabet[group & 63] : '=';
  }
  *length = static_cast<uint32_t>(w);
  return 1;
}

int base64_decode(const char* text, uint32_t length, uint8_t* out, uint32_t* outLength) {
  if (text == nullptr || outLength == nullptr)
    return 0;
  const uint64_t room = *outLength;
  uint64_t decoded = 0;
  bool writing = out != nullptr;
  uint32_t group = 0;
  int n = 0;
  const auto flush = [&]() {
    const int bytes = 6 * n / 8;
    const uint32_t bits = group << (6 * (4 - n));
    if (writing && decoded + static_cast<uint64_t>(bytes) > room)
      writing = false;
    for (int k = 0; k < bytes; ++k)
      if (writing)
        out[decoded + static_cast<uint64_t>(k)] = static_cast<uint8_t>(bits >> (16 - 8 * k));
    decoded += static_cast<uint64_t>(bytes);
    group = 0;
    n = 0;
  };
  for (uint32_t i = 0; i < length; ++i) {
    const int v = lValue(text[i]);
    if (v < 0)
      continue;
    group = (group << 6) | static_cast<uint32_t>(v);
    if (++n == 4)
      flush();
  }
  if (n > 0)
    flush();
  *outLength = static_cast<uint32_t>(decoded);
  return writing ? 1 : 0;
}
