// Shift_JIS codec: JIS X 0201 (ASCII and half-width katakana) and JIS X 0208,
// both directions, in the steps of char_codec.h and one-character forms.
//
//   single bytes  0x00-0x7F <-> U+0000-U+007F, 0xA1-0xDF <-> U+FF61-U+FF9F
//   pairs         lead 0x81-0x9F, 0xE0-0xFC; trail 0x40-0xFC except 0x7F;
//                 6,879 JIS X 0208 codes (0x815C <-> U+2014, 0x815F <-> U+FF3C)
//   one-way       U+00A5 -> 0x5C, U+203E -> 0x7E
//
// The mapping lives in the generated tables of sjis_tables.h. The steps keep
// no state beyond the caller's pending lead byte and may run on any thread.
//
// Decoding rules of the step:
// - A pair with a valid trail that decodes gives its char; one with an
//   invalid trail (0x40-0xFF but not a trail) or an unassigned code is
//   unmappable, counts 2 errors and is consumed whole.
// - A lead followed by a byte below 0x40 is a lone lead: it counts 1 error and
//   the byte after it is decoded on its own (so "\x81\n" keeps its line feed).
// - A lead that is the last source byte goes to *pending (dropped without).
// - Single bytes 0x80, 0xA0 and 0xFD-0xFF count 1 error each.
#pragma once

#include <cstdint>

#include "vm/services/text/char_codec.h"

bool vsSjis_isLeadByte(int32_t b);
bool vsSjis_isTrailByte(int32_t b);

// One char into buffer[0, size): 1 or 2 bytes (high first), 0 when unmappable
// or when the room is missing.
int32_t vsSjis_encodeChar(uint16_t ch, uint8_t* buffer, int32_t size);
// The char of bytes[0, count): 1 and the char, or 0 and U+FFFD (unmappable,
// or a lead without its trail).
int32_t vsSjis_decodeChar(const uint8_t* bytes, int32_t count, uint16_t* ch);

// Fast counts: an upper bound of the bytes the encoder writes when the
// replacement is one byte, and of the chars the decoder writes.
int32_t vsSjis_countSjisBytes(const uint16_t* src, int32_t start, int32_t end);
int32_t vsSjis_countSjisChars(const uint8_t* src, int32_t start, int32_t end);

int32_t vsSjis_unicodeToSjis(const uint16_t* src, int32_t srcStart, int32_t srcEnd, uint8_t* dst,
                             int32_t dstStart, int32_t dstEnd, int32_t* written, int32_t* errors,
                             uint32_t flags);
int32_t vsSjis_sjisToUnicode(const uint8_t* src, int32_t srcStart, int32_t srcEnd, uint16_t* dst,
                             int32_t dstStart, int32_t dstEnd, int32_t* written, uint8_t* pendingLead,
                             int32_t* errors, uint32_t flags);
