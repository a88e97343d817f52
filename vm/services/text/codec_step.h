// The walk every codec step shares (see char_codec.h for the convention): a
// codec gives how one character maps, this walk applies the flags (count,
// replace, keep raw, drop), the room checks and the out-of-room rule.
//
// Encoders hand in encodeUnit(ch, out[4]) -> bytes (0: unmappable).
// Decoders hand in decodeUnit(src, pos, end, carried) -> VsDecodedUnit, where
// `carried` is a lead byte taken over from the previous call (0: none) that
// the unit at `pos` completes.
//
// A character is written only whole. When it does not fit, the source
// position stays before it, *written is stored and the step returns
// `outOfRoom`: -1, or for codecs whose rule says so minus the units consumed
// (-1 when nothing was consumed, so a full destination is never taken for an
// empty source).
#pragma once

#include <climits>
#include <cstdint>

#include "vm/services/text/char_codec.h"

struct VsCodecRules {
  uint16_t replacement;       // default replacement of an unmappable unit
  bool oneByteReplacement;    // encoders: bits 16-23 only, always one byte
  bool minusConsumed;         // out of room returns minus the units consumed
  bool writtenFromStart;      // *written counts from dstStart, not a position
};

enum class VsUnitKind : int32_t {
  mapped,      // ch is the character
  unmappable,  // ch is the raw value; errors says how many errors it counts
  skipped,     // consumed without a character or an error
  cutOff,      // a character cut off by the end of the source
};

struct VsDecodedUnit {
  VsUnitKind kind;
  int32_t consumed;  // source bytes, not counting a carried lead
  uint16_t ch;
  int32_t errors;
};

// start()'s answer when the step goes on (no step result is this low).
constexpr int32_t kVsCodecStep_walk = INT32_MIN;

namespace vs_codec_step {

inline int32_t outOfRoom(const VsCodecRules& rules, int32_t consumed) {
  return rules.minusConsumed && consumed > 0 ? -consumed : -1;
}

// The checks and the fast count every step begins with: the step's result,
// or kVsCodecStep_walk when it goes on to walk the source (counting tells
// whether it only counts: exact count, or no destination).
template <typename Src, typename Dst, typename FastCount>
int32_t start(const Src* src, int32_t srcStart, int32_t srcEnd, const Dst* dst, int32_t dstStart, int32_t dstEnd,
              int32_t* written, uint32_t flags, bool& counting, FastCount fastCount) {
  if (written == nullptr || srcStart < 0 || srcStart > srcEnd || (src == nullptr && srcEnd > srcStart)) {
    return -1;
  }
  if (vsCharCodec_fastCount(flags)) {
    int32_t count = fastCount();
    *written = count < 1 ? 0 : count;
    return count < 1 ? 0 : srcEnd - srcStart;
  }
  counting = vsCharCodec_counting(flags) || dst == nullptr;
  if (!counting && (dstStart < 0 || dstStart > dstEnd)) return -1;
  return kVsCodecStep_walk;
}

}  // namespace vs_codec_step

template <typename EncodeUnit, typename FastCount>
int32_t vsCodecStep_encode(const VsCodecRules& rules, EncodeUnit encodeUnit, FastCount fastCount,
                           const uint16_t* src, int32_t srcStart, int32_t srcEnd, uint8_t* dst,
                           int32_t dstStart, int32_t dstEnd, int32_t* written, int32_t* errors,
                           uint32_t flags) {
  bool counting = false;
  int32_t result = vs_codec_step::start(src, srcStart, srcEnd, dst, dstStart, dstEnd, written, flags, counting,
                                        [&] { return fastCount(src, srcStart, srcEnd); });
  if (result != kVsCodecStep_walk) return result;
  int32_t at = counting ? 0 : dstStart;
  int32_t errorCount = 0;
  int32_t pos = srcStart;
  result = 0;
  for (; pos < srcEnd; ++pos) {
    uint8_t out[4];
    int32_t n = encodeUnit(src[pos], out);
    bool unmappable = n < 1 || n > 3;
    if (unmappable) {
      uint16_t ch = src[pos];
      if (flags & kVsCharCodec_replace) {
        ch = rules.oneByteReplacement ? static_cast<uint8_t>(vsCharCodec_replacement(flags, rules.replacement))
                                      : vsCharCodec_replacement(flags, rules.replacement);
      }
      if (flags & (kVsCharCodec_replace | kVsCharCodec_raw)) {
        bool two = (flags & kVsCharCodec_replace) == 0 || (ch >> 8) != 0;
        n = 0;
        if (two) out[n++] = static_cast<uint8_t>(ch >> 8);
        out[n++] = static_cast<uint8_t>(ch);
      } else {
        n = 0;
      }
    }
    if (!counting) {
      if (n > dstEnd - at) {
        result = vs_codec_step::outOfRoom(rules, pos - srcStart);
        break;
      }
      for (int32_t i = 0; i < n; ++i) dst[at + i] = out[i];
    }
    at += n;
    if (unmappable) ++errorCount;
  }
  if (pos == srcEnd) result = srcEnd - srcStart;
  *written = rules.writtenFromStart && !counting ? at - dstStart : at;
  if (errors != nullptr) *errors += errorCount;
  return result;
}

template <typename DecodeUnit, typename FastCount>
int32_t vsCodecStep_decode(const VsCodecRules& rules, DecodeUnit decodeUnit, FastCount fastCount,
                           const uint8_t* src, int32_t srcStart, int32_t srcEnd, uint16_t* dst,
                           int32_t dstStart, int32_t dstEnd, int32_t* written, uint8_t* pending,
                           int32_t* errors, uint32_t flags) {
  int32_t carried = pending != nullptr ? *pending : 0;
  bool counting = false;
  int32_t result = vs_codec_step::start(src, srcStart, srcEnd, dst, dstStart, dstEnd, written, flags, counting,
                                        [&] { return fastCount(src, srcStart, srcEnd, carried); });
  if (result != kVsCodecStep_walk) return result;
  int32_t at = counting ? 0 : dstStart;
  int32_t errorCount = 0;
  int32_t pos = srcStart;
  result = 0;
  bool full = false;
  while (pos < srcEnd) {
    VsDecodedUnit unit = decodeUnit(src, pos, srcEnd, carried);
    if (unit.kind == VsUnitKind::cutOff) {
      if (pending != nullptr && unit.consumed == 1) {
        *pending = src[pos];
        carried = src[pos];
      }
      pos += unit.consumed;
      break;
    }
    bool emit = unit.kind == VsUnitKind::mapped;
    uint16_t ch = unit.ch;
    if (unit.kind == VsUnitKind::unmappable) {
      if (flags & kVsCharCodec_replace) {
        ch = vsCharCodec_replacement(flags, rules.replacement);
        emit = true;
      } else if (flags & kVsCharCodec_raw) {
        emit = true;
      }
    }
    if (emit && !counting) {
      if (at >= dstEnd) {
        full = true;
        break;
      }
      dst[at] = ch;
    }
    if (emit) ++at;
    if (unit.kind == VsUnitKind::unmappable) errorCount += unit.errors;
    pos += unit.consumed;
    carried = 0;
  }
  if (pending != nullptr) *pending = static_cast<uint8_t>(carried);
  result = full ? vs_codec_step::outOfRoom(rules, pos - srcStart) : pos - srcStart;
  *written = rules.writtenFromStart && !counting ? at - dstStart : at;
  if (errors != nullptr) *errors += errorCount;
  return result;
}
