// The calling convention shared by every codec step (Shift_JIS, ASCII, and
// the VM's UTF-8 helpers), so that the two-pass conversion layer can run any
// of them.
//
// Encoder: UCS-2 src[srcStart, srcEnd) -> bytes dst[dstStart, dstEnd).
// Decoder: bytes src[srcStart, srcEnd) -> UCS-2 dst[dstStart, dstEnd); a
//   decoder that reads multi-byte characters may carry the lead byte of a
//   character cut off by srcEnd to its next call through `pending` (null: the
//   cut-off lead is dropped).
// Both return the source units consumed, or a negative value when the
// destination ran out of room (or for bad arguments). *written is the
// destination position reached, or when counting the count; *errors (when
// not null) is incremented once per unmappable source unit, or as the codec
// says.
//
// Flags:
//   kVsCharCodec_count            count only: a fast estimate that does not
//                                 run the mapping; returns the source length
//   kVsCharCodec_count | _exact   count exactly: run the mapping, write nothing
//   kVsCharCodec_replace          replace unmappable input; the replacement is
//                                 bits 16-31 when any is set, else the codec's
//   kVsCharCodec_raw              (without _replace) keep unmappable input:
//                                 encoders write the UCS-2 unit as two bytes
//                                 (high, low), decoders the byte(s) as a value
//   neither                       drop unmappable input (still an error)
#pragma once

#include <cstdint>

constexpr uint32_t kVsCharCodec_count = 2;
constexpr uint32_t kVsCharCodec_exact = 4;
constexpr uint32_t kVsCharCodec_replace = 8;
constexpr uint32_t kVsCharCodec_raw = 16;
constexpr uint32_t kVsCharCodec_replacementShift = 16;

using VsCharEncoder = int32_t (*)(const uint16_t* src, int32_t srcStart, int32_t srcEnd, uint8_t* dst,
                                  int32_t dstStart, int32_t dstEnd, int32_t* written, int32_t* errors,
                                  uint32_t flags);
using VsCharDecoder = int32_t (*)(const uint8_t* src, int32_t srcStart, int32_t srcEnd, uint16_t* dst,
                                  int32_t dstStart, int32_t dstEnd, int32_t* written, uint8_t* pending,
                                  int32_t* errors, uint32_t flags);
// One character: the bytes written (high byte first) into buffer[0, size),
// 0 when unmappable.
using VsCharEncodeChar = int32_t (*)(uint16_t ch, uint8_t* buffer, int32_t size);

// The replacement a flags word asks for: bits 16-31, or `fallback` when all are 0.
constexpr uint16_t vsCharCodec_replacement(uint32_t flags, uint16_t fallback) {
  return (flags >> kVsCharCodec_replacementShift) != 0
             ? static_cast<uint16_t>(flags >> kVsCharCodec_replacementShift)
             : fallback;
}

// Whether the flags ask for a count, exact or fast.
constexpr bool vsCharCodec_counting(uint32_t flags) { return (flags & kVsCharCodec_count) != 0; }
constexpr bool vsCharCodec_fastCount(uint32_t flags) {
  return (flags & (kVsCharCodec_count | kVsCharCodec_exact)) == kVsCharCodec_count;
}
