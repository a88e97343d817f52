// Software IEEE-754 single-precision arithmetic.
//
// Integer code only: this file is compiled so that it cannot touch the host's
// floating-point registers (see soft_float.h for the interface).
//
// Working form of a finite float inside this file:
//
//   value = sig * 2^(e - 158)    sig: 32 bits, the 24-bit significand in
//                                     bits 31..8 (hidden bit at 31), a guard
//                                     byte in bits 7..0
//                                e:   biased exponent (may leave 1..254
//                                     while a result is being formed)
//
// Bit 7 of the guard byte weighs half a unit of the last kept place. Non-zero
// bits shifted out below the guard byte leave a sticky 1 in bit 0, so that a
// guard byte above 0x80 means "more than half" and exactly 0x80 "exactly
// half". A subnormal takes e = 1 without the hidden bit.
//
// Addition, multiplication and division form (e, sig) and share one rounding
// step, roundAndPack, which first shifts a result below the normal range into
// a subnormal and then rounds once. Packing adds the 24-bit significand to
// (e - 1) << 23, so the hidden bit carries into the exponent field and a
// rounding carry out of the fraction raises the exponent (to infinity at the
// top) by itself.
#include "vm/core/natives/soft_float.h"

#include "vm/core/model/sticky_shift.h"

namespace {

constexpr uint32_t kSign = 0x80000000;
constexpr uint32_t kMagnitude = 0x7FFFFFFF;
constexpr uint32_t kFraction = 0x007FFFFF;
constexpr uint32_t kHidden = uint32_t{1} << 23;
constexpr uint32_t kInfinity = 0x7F800000;
constexpr uint32_t kDefaultNaN = 0x7FC00000;
constexpr int32_t kMaxExponent = 0xFF;
constexpr int32_t kBias = 127;
constexpr uint32_t kTopBit = 0x80000000;
constexpr uint32_t kGuardBits = 8;
constexpr uint32_t kGuardHalf = 0x80;
constexpr uint32_t kGuardMask = 0xFF;

int32_t exponentOf(uint32_t f) {
  return static_cast<int32_t>(f >> 23) & kMaxExponent;
}

bool isNaN(uint32_t f) {
  return (f & kMagnitude) > kInfinity;
}

bool isZero(uint32_t f) {
  return (f & kMagnitude) == 0;
}

uint32_t leadingZeros(uint32_t x) {
  return static_cast<uint32_t>(__builtin_clz(x));
}

// A finite non-zero operand as exponent and 24-bit significand.
struct Unpacked {
  int32_t e;
  uint32_t m;
};

// Subnormals keep e = 1 and lack the hidden bit.
Unpacked unpack(uint32_t f) {
  const int32_t e = exponentOf(f);
  const uint32_t m = f & kFraction;
  return e != 0 ? Unpacked{e, m | kHidden} : Unpacked{1, m};
}

// Subnormals are shifted up to the hidden bit and their exponent lowered by
// the same count.
Unpacked unpackNormalised(uint32_t f) {
  const int32_t e = exponentOf(f);
  const uint32_t m = f & kFraction;
  if (e != 0) {
    return {e, m | kHidden};
  }
  const uint32_t shift = leadingZeros(m) - 8;
  return {1 - static_cast<int32_t>(shift), m << shift};
}

// The shared rounding step. sig has its top bit at 31 or, only when e == 1,
// lies below it (a subnormal formed by addition).
uint32_t roundAndPack(uint32_t sign, int32_t e, uint32_t sig) {
  if (e >= kMaxExponent) {
    return sign | kInfinity;
  }
  if (e < 1) {
    // Below the normal range: shift into a subnormal, keeping the lost bits
    // as sticky, so that the result is rounded once. A shift of 25 or more
    // leaves less than half the smallest subnormal, which rounds to zero.
    sig = vsStickyShift_right32(sig, static_cast<uint32_t>(1 - e));
    e = 1;
  }
  uint32_t m = sig >> kGuardBits;
  const uint32_t guard = sig & kGuardMask;
  if (guard > kGuardHalf || (guard == kGuardHalf && (m & 1) != 0)) {
    ++m;  // a tie rounds to the even neighbour
  }
  return sign | ((static_cast<uint32_t>(e - 1) << 23) + m);
}

}  // namespace

extern "C" {

uint32_t vsRuntime_fadd(uint32_t a, uint32_t b) {
  if (isNaN(a)) {
    return a;
  }
  if (isNaN(b)) {
    return b;
  }
  if ((a & kMagnitude) < (b & kMagnitude)) {
    const uint32_t t = a;
    a = b;
    b = t;
  }
  // Now |a| >= |b|: an infinite b means an infinite a, a zero a a zero b.
  const uint32_t sign = a & kSign;
  const bool subtract = ((a ^ b) & kSign) != 0;
  if (exponentOf(a) == kMaxExponent) {
    return subtract && exponentOf(b) == kMaxExponent ? kDefaultNaN : a;
  }
  if (isZero(a)) {
    return a & b;  // two zeros: -0 only when both are -0
  }
  if (isZero(b)) {
    return a;
  }
  const Unpacked x = unpack(a);
  const Unpacked y = unpack(b);
  const uint32_t sigA = x.m << kGuardBits;
  // b aligned with a; what falls below the guard byte stays as sticky.
  const uint32_t sigB = vsStickyShift_right32(y.m << kGuardBits, static_cast<uint32_t>(x.e - y.e));

  if (!subtract) {
    const uint32_t sum = sigA + sigB;
    if (sum < sigA) {
      // A carry out of bit 31: one place right, the lost bit kept as sticky.
      return roundAndPack(sign, x.e + 1, kTopBit | (sum >> 1) | (sum & 1));
    }
    return roundAndPack(sign, x.e, sum);
  }

  const uint32_t difference = sigA - sigB;
  if (difference == 0) {
    return 0;  // an exact zero difference is +0
  }
  // Cancellation: normalise left. Only an exponent distance of 0 or 1
  // cancels more than one place, and then sigB lost no bits, so the
  // shifted-in zeros are exact. A result that lands below the normal range
  // goes back right in roundAndPack and loses only those zeros.
  const uint32_t shift = leadingZeros(difference);
  return roundAndPack(sign, x.e - static_cast<int32_t>(shift), difference << shift);
}

uint32_t vsRuntime_fsub(uint32_t a, uint32_t b) {
  return vsRuntime_fadd(a, b ^ kSign);
}

uint32_t vsRuntime_fmul(uint32_t a, uint32_t b) {
  const uint32_t sign = (a ^ b) & kSign;
  if (isNaN(a) || isNaN(b)) {
    return kDefaultNaN;
  }
  if (exponentOf(a) == kMaxExponent || exponentOf(b) == kMaxExponent) {
    return isZero(a) || isZero(b) ? kDefaultNaN : sign | kInfinity;
  }
  if (isZero(a) || isZero(b)) {
    return sign;
  }
  const Unpacked x = unpackNormalised(a);
  const Unpacked y = unpackNormalised(b);

  // The exact product of two significands in [2^23, 2^24) lies in
  // [2^46, 2^48); normalised to bit 47, its top 32 bits are sig.
  uint64_t product = uint64_t{x.m} * y.m;
  int32_t e = x.e + y.e - kBias;
  if ((product >> 47) != 0) {
    ++e;
  } else {
    product <<= 1;
  }
  const uint32_t sticky = (product & 0xFFFF) != 0 ? 1 : 0;
  return roundAndPack(sign, e, static_cast<uint32_t>(product >> 16) | sticky);
}

uint32_t vsRuntime_fdiv(uint32_t a, uint32_t b) {
  const uint32_t sign = (a ^ b) & kSign;
  if (isNaN(a) || isNaN(b)) {
    return kDefaultNaN;
  }
  const bool infiniteA = exponentOf(a) == kMaxExponent;
  const bool infiniteB = exponentOf(b) == kMaxExponent;
  if ((infiniteA && infiniteB) || (isZero(a) && isZero(b))) {
    return kDefaultNaN;
  }
  if (infiniteA || isZero(b)) {
    return sign | kInfinity;
  }
  if (isZero(a) || infiniteB) {
    return sign;
  }
  const Unpacked x = unpackNormalised(a);
  const Unpacked y = unpackNormalised(b);
  uint32_t remainder = x.m;
  int32_t e = x.e - y.e + kBias;
  if (remainder < y.m) {
    remainder <<= 1;  // the quotient then lies in [1, 2)
    --e;
  }
  // Shift and subtract: 24 quotient bits and one more below them; what
  // remains decides the sticky bit. The remainder stays below 2^25.
  uint32_t quotient = 0;
  for (int bit = 0; bit < 25; ++bit) {
    quotient <<= 1;
    if (remainder >= y.m) {
      remainder -= y.m;
      quotient |= 1;
    }
    remainder <<= 1;
  }
  return roundAndPack(sign, e, (quotient << 7) | (remainder != 0 ? 1 : 0));
}

}  // extern "C"
