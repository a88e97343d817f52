// One UCS-2 code point to and from the VM's UTF-8 (the 1-, 2- and 3-byte
// forms only). Decoding refuses over-long forms, surrogates and missing or
// malformed continuation bytes; encoding refuses surrogates. No state; any
// thread.
//
//   U+0000-U+007F   0xxxxxxx
//   U+0080-U+07FF   110xxxxx 10xxxxxx
//   U+0800-U+FFFF   1110xxxx 10xxxxxx 10xxxxxx   (not U+D800-U+DFFF)
#pragma once

#include <cstdint>

// The code point of the form starting at bytes[0], of which `available` bytes
// may be read: 1 and the value, or 0 and U+FFFD.
int32_t vsUtf8_decodeCodePoint(const uint8_t* bytes, int32_t available, uint16_t* out);

// Writes the form of `code` into buffer and returns its length; -1 when room
// is below 4 (whatever the code), 0 for a surrogate or a code above U+FFFF.
int32_t vsUtf8_encodeCodePoint(int32_t code, uint8_t* buffer, int32_t room);
