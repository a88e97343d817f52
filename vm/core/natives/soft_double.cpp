// Software IEEE-754 double arithmetic and Java's numeric conversions.
//
// Integer code only: this file is compiled so that it cannot touch the host's
// floating-point registers (see soft_double.h for the interface).
//
// Working form of a finite double inside this file:
//
//   value = m * 2^(e - 1075)      m: 53-bit significand, hidden bit at 52
//                                 e: biased exponent (may leave 1..2046
//                                    while a result is being formed)
//   guard: the 32 bits below m's last bit; bit 31 weighs half a unit of m's
//          last place. Non-zero bits that fell below the guard word leave a
//          sticky 1 in its low bits, so that a guard above 0x80000000 means
//          "more than half" and exactly 0x80000000 means "exactly half".
//
// A subnormal operand takes e = 1 without the hidden bit. Addition,
// multiplication and division form (e, m, guard) and share one rounding
// step, roundAndPack, which also shifts results below the normal range into
// subnormals before its single rounding. Packing adds m to (e - 1) << 52, so
// the hidden bit carries into the exponent field and a rounding carry out of
// the fraction raises the exponent (to infinity at the top) by itself.
//
// The float conversions use the same idea with 31-bit significands: hidden
// bit at 30 and 7 round bits below the 24 kept ones.
#include "vm/core/natives/soft_double.h"

#include "vm/core/model/sticky_shift.h"

namespace {

constexpr uint64_t kSign = 0x8000000000000000;
constexpr uint64_t kMagnitude = 0x7FFFFFFFFFFFFFFF;
constexpr uint64_t kFraction = 0x000FFFFFFFFFFFFF;
constexpr uint64_t kHidden = uint64_t{1} << 52;
constexpr uint64_t kInfinity = 0x7FF0000000000000;
constexpr uint64_t kDefaultNaN = 0x7FF8000000000000;
constexpr int32_t kMaxExponent = 0x7FF;
constexpr int32_t kBias = 1023;
constexpr uint32_t kHalf = 0x80000000;

constexpr uint32_t kFloatSign = 0x80000000;
constexpr uint32_t kFloatFraction = 0x007FFFFF;
constexpr uint32_t kFloatInfinity = 0x7F800000;
constexpr uint32_t kFloatDefaultNaN = 0x7FC00000;
constexpr int32_t kFloatMaxExponent = 0xFF;
constexpr int32_t kFloatBias = 127;

int32_t exponentOf(uint64_t d) {
  return static_cast<int32_t>(d >> 52) & kMaxExponent;
}

bool isNaN(uint64_t d) {
  return (d & kMagnitude) > kInfinity;
}

uint32_t leadingZeros64(uint64_t x) {
  return static_cast<uint32_t>(__builtin_clzll(x));
}

// A finite non-zero operand as (e, m) with m normalised to bit 52; subnormals
// are shifted up and their exponent lowered by the same count.
struct Unpacked {
  int32_t e;
  uint64_t m;
};

Unpacked unpackNormalised(uint64_t d) {
  const int32_t e = exponentOf(d);
  const uint64_t m = d & kFraction;
  if (e != 0) {
    return {e, m | kHidden};
  }
  const uint32_t shift = leadingZeros64(m) - 11;
  return {1 - static_cast<int32_t>(shift), m << shift};
}

// The shared rounding step. m has its top bit at 52 or, only when e == 1,
// lies below it (a subnormal from addition).
uint64_t roundAndPack(uint64_t sign, int32_t e, uint64_t m, uint32_t guard) {
  if (e >= kMaxExponent) {
    return sign | kInfinity;
  }
  if (e < 1) {
    // Below the normal range: shift m and guard right as one value, keeping
    // the lost bits as sticky, so that the result is rounded once.
    uint64_t wide = (m << 11) | (guard >> 21) | ((guard & 0x1FFFFF) != 0 ? 1 : 0);
    wide = vsStickyShift_right64(wide, static_cast<uint32_t>(1 - e));
    m = wide >> 11;
    guard = static_cast<uint32_t>(wide) << 21;
    e = 1;
  }
  if (guard > kHalf || (guard == kHalf && (m & 1) != 0)) {
    ++m;  // a tie rounds to the even neighbour
  }
  return sign | ((static_cast<uint64_t>(e - 1) << 52) + m);
}

// 64 x 64 -> 128-bit product from four 32 x 32 -> 64 multiplies.
void multiply64(uint64_t x, uint64_t y, uint64_t* high, uint64_t* low) {
  const uint64_t xl = static_cast<uint32_t>(x);
  const uint64_t xh = x >> 32;
  const uint64_t yl = static_cast<uint32_t>(y);
  const uint64_t yh = y >> 32;
  const uint64_t ll = xl * yl;
  const uint64_t lh = xl * yh;
  const uint64_t hl = xh * yl;
  const uint64_t hh = xh * yh;
  const uint64_t middle = (ll >> 32) + static_cast<uint32_t>(lh) + static_cast<uint32_t>(hl);
  *low = (middle << 32) | static_cast<uint32_t>(ll);
  *high = hh + (lh >> 32) + (hl >> 32) + (middle >> 32);
}

// Float rounding step: sig has its hidden bit at 30, the 24 kept bits above
// 7 round bits (bit 0 sticky); a tie (round bits 0x40) goes to even. Results
// below the normal range are shifted into subnormals before the one rounding.
uint32_t roundAndPackFloat(uint32_t sign, int32_t e, uint32_t sig) {
  if (e >= kFloatMaxExponent) {
    return sign | kFloatInfinity;
  }
  if (e < 1) {
    sig = vsStickyShift_right32(sig, static_cast<uint32_t>(1 - e));
    e = 1;
  }
  const uint32_t roundBits = sig & 0x7F;
  sig = (sig + 0x40) >> 7;
  if (roundBits == 0x40) {
    sig &= ~uint32_t{1};
  }
  return sign | ((static_cast<uint32_t>(e - 1) << 23) + sig);
}

// A non-zero integer magnitude as a float.
uint32_t floatFromMagnitude(uint32_t sign, uint64_t magnitude) {
  const uint32_t zeros = leadingZeros64(magnitude);
  const int32_t e = kFloatBias + 63 - static_cast<int32_t>(zeros);
  if (zeros >= 40) {  // at most 24 bits: exact
    const uint32_t sig = static_cast<uint32_t>(magnitude << (zeros - 40));
    return sign | ((static_cast<uint32_t>(e - 1) << 23) + sig);
  }
  const uint32_t sig = static_cast<uint32_t>(vsStickyShift_right64(magnitude << zeros, 33));
  return roundAndPackFloat(sign, e, sig);
}

int32_t compareOrdered(uint64_t a, uint64_t b) {
  if (((a | b) & kMagnitude) == 0) {
    return 0;  // +0 and -0
  }
  if (((a ^ b) & kSign) != 0) {
    return (a & kSign) != 0 ? -1 : 1;
  }
  const uint64_t ma = a & kMagnitude;
  const uint64_t mb = b & kMagnitude;
  if (ma == mb) {
    return 0;
  }
  const int32_t order = ma < mb ? -1 : 1;
  return (a & kSign) != 0 ? -order : order;
}

// Java's narrowing to int (valueBits 31) or long (valueBits 63) of a value
// that is not a NaN: truncation toward zero, saturating at the type's limits.
// e is the biased exponent, m the significand with its hidden bit at
// fractionBits; the result is the two's-complement pattern in the low bits.
uint64_t truncateToInteger(bool negative, int32_t e, uint64_t m, int32_t fractionBits,
                           int32_t bias, int32_t valueBits) {
  const int32_t power = e - bias;
  if (power >= valueBits) {  // too large, or infinite
    const uint64_t limit = uint64_t{1} << valueBits;
    return negative ? 0 - limit : limit - 1;
  }
  uint64_t magnitude = 0;
  if (power >= fractionBits) {
    magnitude = m << (power - fractionBits);
  } else if (power >= 0) {
    magnitude = m >> (fractionBits - power);
  }
  return negative ? 0 - magnitude : magnitude;
}

uint64_t floatToInteger(uint32_t f, int32_t valueBits) {
  const int32_t e = static_cast<int32_t>(f >> 23) & kFloatMaxExponent;
  const uint32_t fraction = f & kFloatFraction;
  if (e == kFloatMaxExponent && fraction != 0) {
    return 0;  // NaN
  }
  return truncateToInteger((f & kFloatSign) != 0, e, fraction | (uint32_t{1} << 23), 23,
                           kFloatBias, valueBits);
}

uint64_t doubleToInteger(uint64_t d, int32_t valueBits) {
  if (isNaN(d)) {
    return 0;
  }
  return truncateToInteger((d & kSign) != 0, exponentOf(d), (d & kFraction) | kHidden, 52, kBias,
                           valueBits);
}

}  // namespace

extern "C" {

uint64_t vsRuntime_dadd(uint64_t a, uint64_t b) {
  if ((a & kMagnitude) < (b & kMagnitude)) {
    const uint64_t t = a;
    a = b;
    b = t;
  }
  // Now |a| >= |b|: a NaN in b means a NaN in a, an infinite b an infinite a,
  // a zero a a zero b.
  const uint64_t sign = a & kSign;
  const bool subtract = ((a ^ b) & kSign) != 0;
  int32_t ea = exponentOf(a);
  int32_t eb = exponentOf(b);
  uint64_t ma = a & kFraction;
  uint64_t mb = b & kFraction;
  if (ea == kMaxExponent) {
    if (ma != 0) {
      return kDefaultNaN;
    }
    if (eb == kMaxExponent) {
      return subtract ? kDefaultNaN : a;
    }
    return a;
  }
  if (ea == 0) {
    if (ma == 0) {
      return a & b;  // two zeros: -0 only when both are -0
    }
    ea = 1;
  } else {
    ma |= kHidden;
  }
  if (eb == 0) {
    if (mb == 0) {
      return a;
    }
    eb = 1;
  } else {
    mb |= kHidden;
  }

  const uint32_t distance = static_cast<uint32_t>(ea - eb);
  if (distance > 54) {
    return a;  // b is below a quarter of a's last place
  }
  // b is aligned with 11 guard bits and a sticky bit, which lands at guard
  // bit 21: bits 20..0 of the guard stay zero in an addition.
  uint32_t guard = 0;
  if (distance != 0) {
    const uint64_t wide = vsStickyShift_right64(mb << 11, distance);
    mb = wide >> 11;
    guard = static_cast<uint32_t>(wide) << 21;
  }

  int32_t e = ea;
  if (!subtract) {
    ma += mb;
    if ((ma >> 53) != 0) {
      guard = (guard >> 1) | (static_cast<uint32_t>(ma) << 31);
      ma >>= 1;
      ++e;
    }
    return roundAndPack(sign, e, ma, guard);
  }

  const uint64_t borrow = guard != 0 ? 1 : 0;
  guard = 0u - guard;
  ma = ma - mb - borrow;
  if (ma == 0 && guard == 0) {
    return 0;  // an exact zero difference is +0
  }
  if (ma < kHidden && e > 1) {
    // Cancellation: normalise left, never below the smallest exponent. Only
    // a distance of 0 or 1 cancels more than one place, and then the guard
    // holds at most its top bit and no sticky bit, so a shift stays below 54.
    uint32_t shift = ma != 0 ? leadingZeros64(ma) - 11
                             : 53 + static_cast<uint32_t>(__builtin_clz(guard));
    if (static_cast<int32_t>(shift) > e - 1) {
      shift = static_cast<uint32_t>(e - 1);
    }
    e -= static_cast<int32_t>(shift);
    if (shift >= 32) {  // then ma < 2^21
      ma = (ma << 32) | guard;
      guard = 0;
      shift -= 32;
    }
    if (shift != 0) {
      ma = (ma << shift) | (guard >> (32 - shift));
      guard <<= shift;
    }
  }
  return roundAndPack(sign, e, ma, guard);
}

uint64_t vsRuntime_dsub(uint64_t a, uint64_t b) {
  return vsRuntime_dadd(a, b ^ kSign);
}

uint64_t vsRuntime_dmul(uint64_t a, uint64_t b) {
  const uint64_t sign = (a ^ b) & kSign;
  if (isNaN(a) || isNaN(b)) {
    return kDefaultNaN;
  }
  const bool zeroA = (a & kMagnitude) == 0;
  const bool zeroB = (b & kMagnitude) == 0;
  if (exponentOf(a) == kMaxExponent || exponentOf(b) == kMaxExponent) {
    return zeroA || zeroB ? kDefaultNaN : sign | kInfinity;
  }
  if (zeroA || zeroB) {
    return sign;
  }
  const Unpacked x = unpackNormalised(a);
  const Unpacked y = unpackNormalised(b);

  // With both significands moved up to bit 63 the product lies in
  // [2^126, 2^128): its top 53 bits are the result.
  uint64_t high;
  uint64_t low;
  multiply64(x.m << 11, y.m << 11, &high, &low);
  int32_t e = x.e + y.e - kBias;
  if ((high >> 63) != 0) {
    ++e;
  } else {
    high = (high << 1) | (low >> 63);
    low <<= 1;
  }
  const uint32_t guard = (static_cast<uint32_t>(high) << 21) | (low != 0 ? 1 : 0);
  return roundAndPack(sign, e, high >> 11, guard);
}

uint64_t vsRuntime_ddiv(uint64_t a, uint64_t b) {
  const uint64_t sign = (a ^ b) & kSign;
  if (isNaN(a) || isNaN(b)) {
    return kDefaultNaN;
  }
  const bool infiniteA = exponentOf(a) == kMaxExponent;
  const bool infiniteB = exponentOf(b) == kMaxExponent;
  const bool zeroA = (a & kMagnitude) == 0;
  const bool zeroB = (b & kMagnitude) == 0;
  if ((infiniteA && infiniteB) || (zeroA && zeroB)) {
    return kDefaultNaN;
  }
  if (infiniteA || zeroB) {
    return sign | kInfinity;
  }
  if (zeroA || infiniteB) {
    return sign;
  }
  const Unpacked x = unpackNormalised(a);
  const Unpacked y = unpackNormalised(b);
  uint64_t ma = x.m;
  const uint64_t mb = y.m;
  int32_t e = x.e - y.e + kBias;
  if (ma < mb) {
    ma <<= 1;  // the quotient then lies in [1, 2)
    --e;
  }
  // Restoring division one bit at a time: 53 quotient bits and one guard
  // bit; what remains decides the sticky bit.
  uint64_t remainder = ma;
  uint64_t quotient = 0;
  for (int bit = 0; bit < 54; ++bit) {
    quotient <<= 1;
    if (remainder >= mb) {
      remainder -= mb;
      quotient |= 1;
    }
    remainder <<= 1;
  }
  const uint32_t guard = (static_cast<uint32_t>(quotient) << 31) | (remainder != 0 ? 1 : 0);
  return roundAndPack(sign, e, quotient >> 1, guard);
}

uint64_t vsRuntime_dneg(uint64_t a) {
  return a ^ kSign;
}

int32_t vsRuntime_dcmpl(uint64_t a, uint64_t b) {
  if (isNaN(a) || isNaN(b)) {
    return -1;
  }
  return compareOrdered(a, b);
}

int32_t vsRuntime_dcmpg(uint64_t a, uint64_t b) {
  if (isNaN(a) || isNaN(b)) {
    return 1;
  }
  return compareOrdered(a, b);
}

uint64_t vsRuntime_i2d(int32_t i) {
  if (i == 0) {
    return 0;
  }
  const uint64_t sign = i < 0 ? kSign : 0;
  const uint32_t magnitude = i < 0 ? 0u - static_cast<uint32_t>(i) : static_cast<uint32_t>(i);
  const uint32_t zeros = static_cast<uint32_t>(__builtin_clz(magnitude));
  const uint64_t m = static_cast<uint64_t>(magnitude) << (21 + zeros);
  const int32_t e = kBias + 31 - static_cast<int32_t>(zeros);
  return sign | ((static_cast<uint64_t>(e - 1) << 52) + m);
}

uint32_t vsRuntime_i2f(int32_t i) {
  if (i == 0) {
    return 0;
  }
  const uint32_t sign = i < 0 ? kFloatSign : 0;
  const uint32_t magnitude = i < 0 ? 0u - static_cast<uint32_t>(i) : static_cast<uint32_t>(i);
  return floatFromMagnitude(sign, magnitude);
}

uint64_t vsRuntime_l2d(uint64_t l) {
  if (l == 0) {
    return 0;
  }
  const uint64_t sign = l & kSign;
  const uint64_t magnitude = sign != 0 ? 0 - l : l;
  const uint32_t zeros = leadingZeros64(magnitude);
  const int32_t e = kBias + 63 - static_cast<int32_t>(zeros);
  if (zeros >= 11) {  // at most 53 bits: exact
    return sign | ((static_cast<uint64_t>(e - 1) << 52) + (magnitude << (zeros - 11)));
  }
  // 54 to 64 bits: the 11 bits below the significand all fit the guard word.
  const uint64_t top = magnitude << zeros;
  return roundAndPack(sign, e, top >> 11, static_cast<uint32_t>(top) << 21);
}

uint32_t vsRuntime_l2f(uint64_t l) {
  if (l == 0) {
    return 0;
  }
  const uint64_t magnitude = (l & kSign) != 0 ? 0 - l : l;
  return floatFromMagnitude((l & kSign) != 0 ? kFloatSign : 0, magnitude);
}

uint64_t vsRuntime_f2d(uint32_t f) {
  const uint64_t sign = static_cast<uint64_t>(f & kFloatSign) << 32;
  const int32_t e = static_cast<int32_t>(f >> 23) & kFloatMaxExponent;
  const uint32_t fraction = f & kFloatFraction;
  if (e == kFloatMaxExponent) {
    // Infinity, or a NaN that keeps its fraction bits.
    return sign | kInfinity | (static_cast<uint64_t>(fraction) << 29);
  }
  if (e == 0) {
    if (fraction == 0) {
      return sign;
    }
    // A subnormal float is its fraction times 2^-149.
    return sign | (vsRuntime_i2d(static_cast<int32_t>(fraction)) - (uint64_t{149} << 52));
  }
  return sign | (static_cast<uint64_t>(e + kBias - kFloatBias) << 52) |
         (static_cast<uint64_t>(fraction) << 29);
}

uint32_t vsRuntime_d2f(uint64_t d) {
  const uint32_t sign = static_cast<uint32_t>(d >> 32) & kFloatSign;
  const int32_t e = exponentOf(d);
  const uint64_t fraction = d & kFraction;
  if (e == kMaxExponent) {
    return fraction != 0 ? kFloatDefaultNaN : sign | kFloatInfinity;
  }
  if (e == 0) {
    return sign;  // zero, or a subnormal double far below the float range
  }
  // Hidden bit from 52 down to 30, the lost bits kept as sticky.
  const uint32_t sig = static_cast<uint32_t>(vsStickyShift_right64(fraction | kHidden, 22));
  return roundAndPackFloat(sign, e - kBias + kFloatBias, sig);
}

int32_t vsRuntime_f2i(uint32_t f) {
  return static_cast<int32_t>(static_cast<uint32_t>(floatToInteger(f, 31)));
}

int32_t vsRuntime_d2i(uint64_t d) {
  return static_cast<int32_t>(static_cast<uint32_t>(doubleToInteger(d, 31)));
}

uint64_t vsRuntime_f2l(uint32_t f) {
  return floatToInteger(f, 63);
}

uint64_t vsRuntime_d2l(uint64_t d) {
  return doubleToInteger(d, 63);
}

}  // extern "C"
