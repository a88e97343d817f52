// ASCII codec in the steps of char_codec.h: U+0000-U+007F <-> 0x00-0x7F,
// everything else unmappable. An encoder replacement is always one byte
// ('?' or bits 16-23 of the flags). Out of room, a step returns minus the
// units it consumed, and -1 when it consumed none. No state; any thread.
#pragma once

#include <cstdint>

#include "vm/services/text/char_codec.h"

// 1 and the byte for ch <= 0x7F (room permitting), else 0.
int32_t vsAscii_encodeChar(uint16_t ch, uint8_t* buffer, int32_t size);
// 1 and the char for a byte below 0x80, else 0 and U+FFFD.
int32_t vsAscii_decodeChar(const uint8_t* bytes, int32_t count, uint16_t* ch);

int32_t vsAscii_unicodeToAscii(const uint16_t* src, int32_t srcStart, int32_t srcEnd, uint8_t* dst,
                               int32_t dstStart, int32_t dstEnd, int32_t* written, int32_t* errors,
                               uint32_t flags);
int32_t vsAscii_asciiToUnicode(const uint8_t* src, int32_t srcStart, int32_t srcEnd, uint16_t* dst,
                               int32_t dstStart, int32_t dstEnd, int32_t* written, uint8_t* pending,
                               int32_t* errors, uint32_t flags);
