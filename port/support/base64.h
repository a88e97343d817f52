// Base64 (RFC 4648, standard alphabet, "=" padding, no line breaks).
//
// base64_encode writes 4 * ceil(count / 3) characters without terminator
// when *length allows it (result 1, *length the characters written); else
// 0. base64_decode skips every character outside the alphabet ("=",
// blanks and line breaks included), takes groups of 4 valid characters (the
// last may be shorter: n characters give floor(6n / 8) bytes) and writes
// bytes while out is not NULL and they fit *length; from the first group
// that does not fit it only counts. *length becomes the decoded size; the
// result is 1 when everything was written, 0 when only counted (an empty
// input: 1 with a buffer, 0 without). Sizes are computed in 64 bits.
#pragma once

#include <cstdint>

int base64_encode(const uint8_t* bytes, uint32_t count, char* out, uint32_t* length);
int base64_decode(const char* text, uint32_t length, uint8_t* out, uint32_t* outLength);
void base64_init();
