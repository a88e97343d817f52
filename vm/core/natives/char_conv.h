// The VM's UTF-16 <-> UTF-8 helpers for natives, in the codec steps of the
// text service (vm/services/text/char_codec.h), so the conversion layer can
// run them too. Characters are the 1- to 3-byte forms of
// vm/services/lifecycle/utf8_code_point.h; surrogates are unmappable.
//
// Counting rules (fast counts, upper bounds of what the steps write):
//   vsCharConv_utf16Utf8Length  1 for U+0001-U+007E, 3 above U+07FF, else 2
//                               (so U+0000 and U+007F count two)
//   vsCharConv_utf8CharCount    one per byte of lead length 1-3, skipping the
//                               1 or 2 bytes after a longer lead unchecked;
//                               bytes of lead length 0 count nothing
// A caller takes a text's length from the converting step's *outLen, never
// from these counts.
//
// Decoding skips bytes of lead length 0 (stray continuation bytes, 0xF0-0xFF)
// without an error; an invalid 2- or 3-byte sequence counts its length in
// errors and follows the flags (kVsCharCodec_raw forces the trailing bytes
// into the continuation form and decodes again); a sequence cut off by the
// end is dropped, its lead going to *lastByte when it is the last byte. When
// the output fills, the step returns -1 with *outLen the units written.
#pragma once

#include <cstdint>

int32_t vsCharConv_utf8LeadLength(int32_t byte);
int32_t vsCharConv_utf16Utf8Length(const uint16_t* chars, int32_t start, int32_t end);
int32_t vsCharConv_utf8CharCount(const uint8_t* bytes, int32_t start, int32_t end);

// *outLen: the destination position reached (a count from 0 when counting).
int32_t vsCharConv_utf16ToUtf8(const uint16_t* src, int32_t start, int32_t end, uint8_t* dst,
                               int32_t dstStart, int32_t dstEnd, int32_t* outLen, int32_t* errors,
                               uint32_t flags);
// *outLen: the units written from dstStart.
int32_t vsCharConv_utf8ToUtf16(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst,
                               int32_t dstStart, int32_t dstEnd, int32_t* outLen, uint8_t* lastByte,
                               int32_t* errors, uint32_t flags);
