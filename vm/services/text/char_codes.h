// The character-code conversion layer: runs any codec step of char_codec.h
// over a whole text in two passes, count then convert, into storage of the
// memory service. VM thread only (the conversion buffer is shared).
//
//   result storage      byte results (NUL-terminated)     UCS-2 results
//   WithBuffer          the buffer when count + 1 < 512,  the buffer when count < 256,
//                       else a block of count + 1         else a block of 2 x count
//   WithAlloc           a block of count + 1              a block of 2 x count
//   WithHandle          -                                 a movable handle of 2 x count
//
// The conversion buffer (512 bytes) and the empty result are VM variables; a
// WithBuffer result lives until the next WithBuffer call. On failure a
// WithBuffer function returns the empty result (never null), the others null;
// the output length is then 0 and a trace line names the pass that failed.
// vsCharCodes_freeConverted frees any result but the buffer and the empty
// result. The count pass of an encoder is the fast count, or the exact one
// when an unmappable char may take two bytes (raw flag, or a replacement
// whose high byte is set). Decoders count fast and convert with flags 8.
//
//   vsCharCodes_count...     exact counts: the step run with flags | 6
//   vsCharCodes_unicodeChar2native  one char's bytes packed big-endian into
//                            an int (0x82A0 for U+3042 in Shift_JIS)
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/services/text/char_codec.h"

constexpr int32_t kVsCharCodes_bufferBytes = 512;

uint8_t* vsCharCodes_unicode2nativeWithBuffer(const uint16_t* src, int32_t length, int32_t* outLength,
                                              VsCharEncoder encoder, uint32_t flags);
uint8_t* vsCharCodes_unicode2nativeWithAlloc(const uint16_t* src, int32_t length, int32_t* outLength,
                                             VsCharEncoder encoder, uint32_t flags);
uint16_t* vsCharCodes_byte2unicodeWithBuffer(const uint8_t* src, int32_t length, VsCharDecoder decoder,
                                             int32_t* outLength);
uint16_t* vsCharCodes_byte2unicodeWithAlloc(const uint8_t* src, int32_t length, VsCharDecoder decoder,
                                            int32_t* outLength);
// A handle of the memory service (unlocked), or 0.
VmWord vsCharCodes_sjis2unicodeWithHandle(const uint8_t* src, int32_t length, int32_t* outLength);
// UTF-8 of the VM (vsCharConv_utf16ToUtf8, flags 8) in a block of 2 x length
// + 1 bytes, or on a second try 3 x length + 1; NUL-terminated; null when
// both fail.
uint8_t* vsCharCodes_unicode2utf8WithAlloc(const uint16_t* src, int32_t length);

// The layer over one codec, flags 8.
uint8_t* vsCharCodes_unicode2asciiWithBuffer(const uint16_t* src, int32_t length, int32_t* outLength);
uint8_t* vsCharCodes_unicode2asciiWithAlloc(const uint16_t* src, int32_t length, int32_t* outLength);
uint8_t* vsCharCodes_unicode2sjisWithBuffer(const uint16_t* src, int32_t length, int32_t* outLength);
uint8_t* vsCharCodes_unicode2sjisWithAlloc(const uint16_t* src, int32_t length, int32_t* outLength);
uint16_t* vsCharCodes_sjis2unicodeWithBuffer(const uint8_t* src, int32_t length, int32_t* outLength);
uint16_t* vsCharCodes_sjis2unicodeWithAlloc(const uint8_t* src, int32_t length, int32_t* outLength);
uint16_t* vsCharCodes_utf82unicodeWithBuffer(const uint8_t* src, int32_t length, int32_t* outLength);

// Frees a result of this layer; the buffer, the empty result and null are left.
void vsCharCodes_freeConverted(const void* pointer);

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
