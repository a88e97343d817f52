// UTF-16 <-> UTF-8 for the host side (window text, file names, registry
// values). No flags: surrogates are ordinary 16-bit values (three bytes
// each); no state; any thread.
//
// Decoding takes the lead's announced length whole, without resynchronising:
//   0xxxxxxx 1 byte, 110xxxxx 2, 1110xxxx 3, 11110xxx 4, 111110xx 5, 1111110x 6
// A lead 10xxxxxx, 0xFE or 0xFF (one byte), a sequence with a byte that is not
// 10xxxxxx, or a value above U+FFFF gives one replacement unit. Over-long
// forms give their value.
#pragma once

#include <cstdint>

// srcUnits when all were converted; 0 when srcUnits is 0; -1 when the next
// character does not fit (*bytesWritten tells how far it got) or dstBytes is
// 0 and srcUnits is not; -2 for a null pointer or a negative size.
int32_t vsUtf_utf16ToUtf8(const uint16_t* src, int32_t srcUnits, uint8_t* dst, int32_t dstBytes,
                          int32_t* bytesWritten);
// Bytes needed (1 below U+0080, 2 below U+0800, else 3); -1 for a null
// source or a negative count.
int32_t vsUtf_utf16ToUtf8Length(const uint16_t* src, int32_t units);

// srcBytes when all were converted; when the input ends inside a sequence,
// the bytes before that sequence; 0 when srcBytes is 0; -1 when the
// destination is full (or dstUnits is 0 and srcBytes is not); -2 for a null
// pointer or a negative size. Each replacement (replacementChar, U+FFFD when
// 0) adds one to *replacedCount (when not null).
int32_t vsUtf_utf8ToUtf16(const uint8_t* src, int32_t srcBytes, uint16_t* dst, int32_t dstUnits,
                          int32_t* unitsWritten, int32_t* replacedCount, uint16_t replacementChar);
// UTF-16 units the text converts to (a sequence cut off by the end is not
// counted); -1 for a null source or a negative count.
int32_t vsUtf_utf8ToUtf16Length(const uint8_t* src, int32_t bytes);
