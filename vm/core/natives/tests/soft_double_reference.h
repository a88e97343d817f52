// The routines of soft_double.h side by side with reference results from the
// host's own floating point: SSE2 on x86-64, libgcc's soft-float on ARM (with
// the floating-point unit for the one class libgcc gets wrong).
// Java's rules for NaN results and out-of-range conversions are written here,
// since the host follows C's.
//
// Every routine is seen through one shape, (uint64_t a, uint64_t b) ->
// uint64_t, with narrower operands and results in the low bits; unary
// routines ignore b.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#if defined(__arm__)
#include "vm/core/natives/tests/vfp_reference.h"
#endif

#include "vm/core/natives/soft_double.h"
#include "vm/core/natives/tests/float_test_support.h"

namespace softdouble_test {

// What the operands are, for the generators and the tables of special values.
enum class Operands { AddPair, MulPair, DivPair, ComparePair, Double, Float, Int, Long };

// How a result is compared with the reference.
enum class NaNRule {
  None,          // integer results: equal bits
  CanonicalNaN,  // a NaN reference needs exactly 0x7FF8000000000000
  AnyNaN,        // a NaN reference needs some NaN (f2d)
  FloatNaN,      // a NaN reference needs exactly 0x7FC00000 (d2f)
};

struct Routine {
  const char* name;
  Operands operands;
  NaNRule nanRule;
  uint64_t (*ours)(uint64_t a, uint64_t b);
  uint64_t (*reference)(uint64_t a, uint64_t b);
};

inline double asDouble(uint64_t bits) {
  return std::bit_cast<double>(bits);
}
inline float asFloat(uint64_t bits) {
  return std::bit_cast<float>(static_cast<uint32_t>(bits));
}
inline uint64_t bitsOf(double d) {
  return std::bit_cast<uint64_t>(d);
}
inline uint64_t bitsOf(float f) {
  return std::bit_cast<uint32_t>(f);
}
inline uint64_t intBits(int32_t i) {
  return static_cast<uint32_t>(i);
}

inline bool isDoubleNaN(uint64_t bits) {
  return (bits & 0x7FFFFFFFFFFFFFFF) > 0x7FF0000000000000;
}
inline bool isFloatNaN(uint64_t bits) {
  return (bits & 0x7FFFFFFF) > 0x7F800000;
}

inline int32_t javaCompare(double x, double y, int32_t unordered) {
  if (std::isnan(x) || std::isnan(y)) {
    return unordered;
  }
  return x < y ? -1 : (x > y ? 1 : 0);
}

// Java's narrowing of a float or double to int and long.
template <class Int, class Real>
Int javaTruncate(Real x) {
  constexpr Real kLimit = static_cast<Real>(std::numeric_limits<Int>::max()) + Real{1};  // 2^31, 2^63
  if (std::isnan(x)) {
    return 0;
  }
  if (x >= kLimit) {
    return std::numeric_limits<Int>::max();
  }
  if (x <= -kLimit) {
    return std::numeric_limits<Int>::min();
  }
  return static_cast<Int>(x);
}

#if defined(__arm__)
// libgcc's soft-float addition (GCC 12) mis-rounds an effective subtraction
// whose exponents differ by exactly 33: the bits of the smaller operand's low
// word survive only as a sticky bit, yet when the difference loses its
// leading bit the first of them is the rounding bit. Example: 2^904 minus
// (1 + 2^-52) * 2^871 gives 0x788FFFFFFFE7FFFF instead of 0x788FFFFFFFE80000.
// For that class the floating-point unit is the reference.
inline bool libgccMisroundsAddition(uint64_t a, uint64_t b, bool subtract) {
  const bool effectiveSubtraction = (((a ^ b) >> 63) != 0) != subtract;
  const int32_t ea = static_cast<int32_t>(a >> 52) & 0x7FF;
  const int32_t eb = static_cast<int32_t>(b >> 52) & 0x7FF;
  return effectiveSubtraction && (ea - eb == 33 || eb - ea == 33);
}
#endif

inline uint64_t hostAdd(uint64_t a, uint64_t b) {
#if defined(__arm__)
  if (libgccMisroundsAddition(a, b, false)) {
    return vfpAdd(a, b);
  }
#endif
  return bitsOf(asDouble(a) + asDouble(b));
}

inline uint64_t hostSubtract(uint64_t a, uint64_t b) {
#if defined(__arm__)
  if (libgccMisroundsAddition(a, b, true)) {
    return vfpSubtract(a, b);
  }
#endif
  return bitsOf(asDouble(a) - asDouble(b));
}

inline const Routine kRoutines[] = {
    {"dadd", Operands::AddPair, NaNRule::CanonicalNaN,
     [](uint64_t a, uint64_t b) { return vsRuntime_dadd(a, b); }, hostAdd},
    {"dsub", Operands::AddPair, NaNRule::CanonicalNaN,
     [](uint64_t a, uint64_t b) { return vsRuntime_dsub(a, b); }, hostSubtract},
    {"dmul", Operands::MulPair, NaNRule::CanonicalNaN,
     [](uint64_t a, uint64_t b) { return vsRuntime_dmul(a, b); },
     [](uint64_t a, uint64_t b) { return bitsOf(asDouble(a) * asDouble(b)); }},
    {"ddiv", Operands::DivPair, NaNRule::CanonicalNaN,
     [](uint64_t a, uint64_t b) { return vsRuntime_ddiv(a, b); },
     [](uint64_t a, uint64_t b) { return bitsOf(asDouble(a) / asDouble(b)); }},
    {"dcmpl", Operands::ComparePair, NaNRule::None,
     [](uint64_t a, uint64_t b) { return intBits(vsRuntime_dcmpl(a, b)); },
     [](uint64_t a, uint64_t b) { return intBits(javaCompare(asDouble(a), asDouble(b), -1)); }},
    {"dcmpg", Operands::ComparePair, NaNRule::None,
     [](uint64_t a, uint64_t b) { return intBits(vsRuntime_dcmpg(a, b)); },
     [](uint64_t a, uint64_t b) { return intBits(javaCompare(asDouble(a), asDouble(b), 1)); }},
    {"dneg", Operands::Double, NaNRule::None,
     [](uint64_t a, uint64_t) { return vsRuntime_dneg(a); },
     // Negation flips the sign bit of every pattern, NaNs included.
     [](uint64_t a, uint64_t) { return a ^ 0x8000000000000000; }},
    {"i2d", Operands::Int, NaNRule::None,
     [](uint64_t a, uint64_t) { return vsRuntime_i2d(static_cast<int32_t>(a)); },
     [](uint64_t a, uint64_t) { return bitsOf(static_cast<double>(static_cast<int32_t>(a))); }},
    {"i2f", Operands::Int, NaNRule::None,
     [](uint64_t a, uint64_t) { return uint64_t{vsRuntime_i2f(static_cast<int32_t>(a))}; },
     [](uint64_t a, uint64_t) { return bitsOf(static_cast<float>(static_cast<int32_t>(a))); }},
    {"l2d", Operands::Long, NaNRule::None,
     [](uint64_t a, uint64_t) { return vsRuntime_l2d(a); },
     [](uint64_t a, uint64_t) { return bitsOf(static_cast<double>(static_cast<int64_t>(a))); }},
    {"l2f", Operands::Long, NaNRule::None,
     [](uint64_t a, uint64_t) { return uint64_t{vsRuntime_l2f(a)}; },
     [](uint64_t a, uint64_t) { return bitsOf(static_cast<float>(static_cast<int64_t>(a))); }},
    {"f2d", Operands::Float, NaNRule::AnyNaN,
     [](uint64_t a, uint64_t) { return vsRuntime_f2d(static_cast<uint32_t>(a)); },
     [](uint64_t a, uint64_t) { return bitsOf(static_cast<double>(asFloat(a))); }},
    {"d2f", Operands::Double, NaNRule::FloatNaN,
     [](uint64_t a, uint64_t) { return uint64_t{vsRuntime_d2f(a)}; },
     [](uint64_t a, uint64_t) { return bitsOf(static_cast<float>(asDouble(a))); }},
    {"f2i", Operands::Float, NaNRule::None,
     [](uint64_t a, uint64_t) { return intBits(vsRuntime_f2i(static_cast<uint32_t>(a))); },
     [](uint64_t a, uint64_t) { return intBits(javaTruncate<int32_t>(asFloat(a))); }},
    {"d2i", Operands::Double, NaNRule::None,
     [](uint64_t a, uint64_t) { return intBits(vsRuntime_d2i(a)); },
     [](uint64_t a, uint64_t) { return intBits(javaTruncate<int32_t>(asDouble(a))); }},
    {"f2l", Operands::Float, NaNRule::None,
     [](uint64_t a, uint64_t) { return vsRuntime_f2l(static_cast<uint32_t>(a)); },
     [](uint64_t a, uint64_t) { return static_cast<uint64_t>(javaTruncate<int64_t>(asFloat(a))); }},
    {"d2l", Operands::Double, NaNRule::None,
     [](uint64_t a, uint64_t) { return vsRuntime_d2l(a); },
     [](uint64_t a, uint64_t) { return static_cast<uint64_t>(javaTruncate<int64_t>(asDouble(a))); }},
};

// Whether `ours` is an acceptable result where the host computed `reference`.
inline bool agrees(const Routine& routine, uint64_t ours, uint64_t reference) {
  switch (routine.nanRule) {
    case NaNRule::CanonicalNaN:
      return isDoubleNaN(reference) ? ours == 0x7FF8000000000000 : ours == reference;
    case NaNRule::AnyNaN:
      return isDoubleNaN(reference) ? isDoubleNaN(ours) : ours == reference;
    case NaNRule::FloatNaN:
      return isFloatNaN(reference) ? ours == 0x7FC00000 : ours == reference;
    case NaNRule::None:
      break;
  }
  return ours == reference;
}

inline bool isBinary(Operands operands) {
  return operands == Operands::AddPair || operands == Operands::MulPair ||
         operands == Operands::DivPair || operands == Operands::ComparePair;
}

using float_test_support::hostRoundingProblem;

}  // namespace softdouble_test
