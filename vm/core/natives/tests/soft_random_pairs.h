// Random operands for the software float and double routines: one generator
// and one run loop for both formats.
//
// The generator mixes uniform bit patterns with classes that reach the hard
// paths: equal exponents (cancellation) and exponent differences around the
// significand's width for addition, products and quotients near the overflow
// edge and inside the subnormal range, halfway cases built from operands with
// few significant bits, subnormal operands and special values. The ranges
// that follow from the format's widths are derived here; the few a format
// picks for itself come in its RandomWindows. Every draw is sequenced, so a
// seed gives the same operands with any compiler.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <sstream>
#include <string>

#include "vm/core/natives/tests/float_test_support.h"
#include "vm/core/natives/tests/soft_routine_checks.h"

// Inclusive bounds of a random exponent or exponent difference.
struct SoftRange {
  int32_t low;
  int32_t high;
};

// The exponent ranges a format picks for itself.
struct RandomWindows {
  SoftRange wideBase;           // the larger addend's exponent, by wide differences
  SoftRange wideDifference;     // exponent differences around the significand's width
  int32_t halfwayLowest;        // the lowest exponent of the larger addend of a halfway case
  SoftRange halfwayDifference;  // a halfway case's difference when not next to the width
  SoftRange exactResult;        // normal result exponents of products and quotients of few bits
  SoftRange everyday;           // operand exponents of everyday products and quotients
};

template <class Bits>
struct RandomPair {
  Bits a;
  Bits b;
};

template <class Format>
class RandomOperands {
 public:
  using Bits = typename Format::Bits;
  using Pair = RandomPair<Bits>;
  static constexpr int32_t kFractionBits = Format::kFractionBits;
  static constexpr int32_t kMaxExponent = Format::kMaxExponent;

  RandomOperands(float_test_support::Random& random, const RandomWindows& windows)
      : random_(random), windows_(windows) {}

  float_test_support::Random& random() { return random_; }

  int32_t between(SoftRange range) { return random_.between(range.low, range.high); }

  // The sign bit, set or clear.
  Bits sign() { return static_cast<Bits>(random_.sign() >> (64 - 8 * sizeof(Bits))); }

  // Uniform bits.
  Bits bits() { return static_cast<Bits>(random_.next()); }

  static Bits make(Bits sign, int32_t exponent, Bits fraction) {
    return sign | (static_cast<Bits>(exponent) << kFractionBits) | (fraction & Format::kFraction);
  }

  // A random sign and `fraction` under a biased exponent.
  Bits withFraction(int32_t exponent, Bits fraction) { return make(sign(), exponent, fraction); }

  // A random sign and fraction under a biased exponent.
  Bits withExponent(int32_t exponent) {
    const Bits s = sign();
    return make(s, exponent, bits());
  }

  // A fraction whose significand has at most `count` (up to the fraction's
  // width) significant bits below the hidden one.
  Bits fewBitsFraction(uint32_t count) {
    if (count == 0) {
      return 0;
    }
    if (count > kFractionBits) {
      count = kFractionBits;
    }
    return (bits() >> (8 * sizeof(Bits) - count)) << (kFractionBits - count);
  }

  // Zero, the subnormal edges, the smallest normal, one, the largest finite
  // value, infinity and a quiet and a signalling NaN, with a random sign.
  Bits special() {
    static constexpr Bits kSpecials[] = {
        0,
        Format::kMinSubnormal,
        Format::kMaxSubnormal,
        Format::kMinNormal,
        Format::kOne,
        Format::kMaxFinite,
        Format::kInf,
        Format::kNaN,
        Format::kInf | 1,
    };
    const Bits value = kSpecials[random_.below(std::size(kSpecials))];
    return value | sign();
  }

  // A pair for an addition, multiplication or division routine, whichever
  // the operand kind (AddPair, MulPair or DivPair of either test's table).
  template <class Kind>
  Pair arithmetic(Kind kind) {
    return kind == Kind::AddPair ? add() : productOrQuotient(kind == Kind::MulPair);
  }

  Pair add() {
    switch (random_.below(8)) {
      case 0:
        return {bits(), bits()};
      case 1:
        return {special(), random_.below(2) != 0 ? special() : bits()};
      case 2: {  // equal exponents: cancellation
        const int32_t e = random_.between(0, kMaxExponent);
        return {withExponent(e), withExponent(e)};
      }
      case 3: {  // exponent differences around the significand's width
        const int32_t e = between(windows_.wideBase);
        const int32_t d = between(windows_.wideDifference);
        const Bits big = withExponent(e);
        const Bits small = withExponent(e - d);
        return random_.below(2) != 0 ? Pair{big, small} : Pair{small, big};
      }
      case 4: {  // halfway cases: a with few ones or few zeros, b with few ones
        // and maybe a last bit that falls below the guard
        const int32_t e = random_.between(windows_.halfwayLowest, kMaxExponent);
        const Bits ones = random_.below(2) != 0 ? Format::kFraction : 0;
        const Bits a = withFraction(e, fewBitsFraction(random_.below(kFractionBits + 1)) ^ ones);
        const int32_t d = random_.below(2) != 0 ? random_.between(kFractionBits, kFractionBits + 3)
                                                : between(windows_.halfwayDifference);
        const Bits low = fewBitsFraction(random_.below(4));
        const Bits b = withFraction(e - d, low | (random_.next() & 1));
        return {a, b};
      }
      case 5: {  // neighbours of opposite sign, also across a power of two
        const Bits a = random_.below(2) != 0 ? withFraction(random_.between(1, kMaxExponent), 0) : bits();
        const Bits step = static_cast<Bits>(static_cast<int64_t>(random_.between(-3, 3)));
        return {a, (a + step) ^ Format::kNegative};
      }
      case 6:  // subnormals and the smallest normals
        return {withExponent(random_.between(0, 2)), withExponent(random_.between(0, 2))};
      default:  // the top of the range
        return {withExponent(random_.between(kMaxExponent - 6, kMaxExponent)),
                withExponent(random_.between(kMaxExponent - 6, kMaxExponent))};
    }
  }

  // Multiplication and division differ only in how the exponents combine:
  // the result's is about ea + eb - bias or ea - eb + bias.
  Pair productOrQuotient(bool product) {
    int32_t ea;
    int32_t eb;
    auto around = [&](int32_t resultExponent) {
      const int32_t target = product ? resultExponent + Format::kBias : resultExponent - Format::kBias;
      exponentsAround(target, product, &ea, &eb);
    };
    const SoftRange subnormalResult = {-(kFractionBits + 4), 2};
    switch (random_.below(8)) {
      case 0:
        return {bits(), bits()};
      case 1:
        return {special(), random_.below(2) != 0 ? special() : bits()};
      case 2:  // near the overflow edge
        around(random_.between(kMaxExponent - 3, kMaxExponent + 3));
        return {withExponent(ea), withExponent(eb)};
      case 3:  // inside the subnormal range
        around(between(subnormalResult));
        return {withExponent(ea), withExponent(eb)};
      case 4:
      case 5: {  // few significant bits: exact products and ties, also subnormal
        around(random_.below(2) != 0 ? between(subnormalResult) : between(windows_.exactResult));
        const uint32_t bitsA = random_.below(kFractionBits + 1);
        const uint32_t bitsB =
            bitsA >= kFractionBits ? random_.below(4) : random_.below(kFractionBits + 1 - bitsA + 2);
        return {withFraction(ea, fewBitsFraction(bitsA)), withFraction(eb, fewBitsFraction(bitsB))};
      }
      case 6: {  // subnormal operands
        const Pair p = {withExponent(0), withExponent(random_.between(0, kMaxExponent))};
        return random_.below(2) != 0 ? p : Pair{p.b, p.a};
      }
      default:  // everyday magnitudes
        return {withExponent(between(windows_.everyday)), withExponent(between(windows_.everyday))};
    }
  }

 private:
  // Two biased exponents in [0, kMaxExponent] whose sum (or difference) is
  // `target`; `sum` selects which.
  void exponentsAround(int32_t target, bool sum, int32_t* ea, int32_t* eb) {
    for (;;) {
      *ea = random_.between(0, kMaxExponent);
      *eb = sum ? target - *ea : *ea - target;
      if (*eb >= 0 && *eb <= kMaxExponent) {
        return;
      }
    }
  }

  float_test_support::Random& random_;
  const RandomWindows& windows_;
};

// Runs `count` pairs from `next` (given the operands' generator) through a
// routine: `problem` says what is wrong with the routine's result for a pair,
// empty when it agrees with the host. The seed comes from softRoutineSeed
// with `variable` and `base`; a failure names the seed, the routine and the
// operands, and the run stops after ten.
template <class Format, class Next, class Problem>
void runRandomPairs(const char* routine, const char* variable, uint64_t base, uint64_t count,
                    const RandomWindows& windows, Next next, Problem problem) {
  const uint64_t seed = softRoutineSeed(routine, variable, base);
  float_test_support::Random random(seed);
  RandomOperands<Format> operands(random, windows);
  int failures = 0;
  for (uint64_t i = 0; i < count; ++i) {
    const RandomPair<typename Format::Bits> p = next(operands);
    const std::string text = problem(p.a, p.b);
    if (!text.empty()) {
      ADD_FAILURE() << std::hex << "seed 0x" << seed << ": " << routine << "(0x" << p.a << ", 0x" << p.b
                    << ") = " << text;
      if (++failures == 10) {
        return;
      }
    }
  }
}

// "0x" and the hexadecimal digits of a result, for the problems of a run.
inline std::string softHex(uint64_t bits) {
  std::ostringstream out;
  out << "0x" << std::hex << bits;
  return out.str();
}
