// The character-code conversion layer: runs any codec step of char_codec.h
// over a whole text. This part holds the counters and the one-character
// packing.
//
//   vsCharCodes_count...     exact counts: the step run with flags | 6
//   vsCharCodes_unicodeChar2native  one char's bytes packed big-endian into
//                            an int (0x82A0 for U+3042 in Shift_JIS)
#pragma once

#include <cstdint>

#include "vm/services/text/char_codec.h"

// The bytes `encoder` writes for src[0, length) under `flags`, counted
// exactly; -1 when the step refuses its arguments.
int32_t vsCharCodes_countUnicode2native(const uint16_t* src, int32_t length, VsCharEncoder encoder,
                                        uint32_t flags);
int32_t vsCharCodes_countUnicode2sjis(const uint16_t* src, int32_t length);
// The chars `decoder` writes for src[0, length) under `flags`, counted
// exactly; -1 when the step refuses its arguments.
int32_t vsCharCodes_countByte2unicode(const uint8_t* src, int32_t length, VsCharDecoder decoder, uint32_t flags);
int32_t vsCharCodes_countSjis2unicode(const uint8_t* src, int32_t length);

// One char's bytes, high byte first, packed into an int; 0 when unmappable.
int32_t vsCharCodes_unicodeChar2native(uint16_t ch, VsCharEncodeChar charEncoder);
int32_t vsCharCodes_unicodeChar2sjis(uint16_t ch);
