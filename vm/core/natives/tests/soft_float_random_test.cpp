// Random operands for every software float routine, compared with the host.
//
// The generator mixes uniform bit patterns with classes that reach the hard
// paths: equal exponents (cancellation) and exponent differences around the
// significand's width for addition, products and quotients near the overflow
// edge and inside the subnormal range, halfway cases built from operands with
// few significant bits, subnormal operands and special values. A failure
// prints the seed and the operands; SOFTFLOAT_SEED=<n> repeats a run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "vm/core/natives/tests/soft_float_reference.h"
#include "vm/core/natives/tests/soft_routine_checks.h"

#ifndef VS_SOFTFLOAT_PAIRS_LOG2
#error "VS_SOFTFLOAT_PAIRS_LOG2 gives the number of operand pairs per routine as a power of two"
#endif

namespace softfloat_test {
namespace {

constexpr uint32_t kFraction = 0x007FFFFF;

uint32_t signOf(Random& random) {
  return static_cast<uint32_t>(random.sign() >> 32);
}

uint32_t bits32(Random& random) {
  return static_cast<uint32_t>(random.next());
}

uint32_t makeFloat(uint32_t sign, int32_t exponent, uint32_t fraction) {
  return sign | (static_cast<uint32_t>(exponent) << 23) | (fraction & kFraction);
}

uint32_t randomFloat(Random& random, int32_t exponent) {
  return makeFloat(signOf(random), exponent, bits32(random));
}

// A fraction whose significand has at most `bits` (up to 23) significant
// bits below the hidden one.
uint32_t fewBitsFraction(Random& random, uint32_t bits) {
  if (bits == 0) {
    return 0;
  }
  if (bits > 23) {
    bits = 23;
  }
  return (bits32(random) >> (32 - bits)) << (23 - bits);
}

const uint32_t kSpecialFloats[] = {
    0, 0x00000001, 0x007FFFFF, 0x00800000, 0x3F800000, 0x7F7FFFFF, 0x7F800000, 0x7FC00000,
    0x7F800001,
};

uint32_t specialFloat(Random& random) {
  constexpr uint32_t n = sizeof kSpecialFloats / sizeof kSpecialFloats[0];
  return kSpecialFloats[random.below(n)] | signOf(random);
}

// Two biased exponents in [0, 254] whose sum (or difference) is `target`.
void exponentsAround(Random& random, int32_t target, bool sum, int32_t* ea, int32_t* eb) {
  for (;;) {
    *ea = random.between(0, 254);
    *eb = sum ? target - *ea : *ea - target;
    if (*eb >= 0 && *eb <= 254) {
      return;
    }
  }
}

struct Pair {
  uint32_t a;
  uint32_t b;
};

Pair addPair(Random& random) {
  switch (random.below(8)) {
    case 0:
      return {bits32(random), bits32(random)};
    case 1:
      return {specialFloat(random), random.below(2) != 0 ? specialFloat(random) : bits32(random)};
    case 2: {  // equal exponents: cancellation
      const int32_t e = random.between(0, 254);
      return {randomFloat(random, e), randomFloat(random, e)};
    }
    case 3: {  // exponent differences around the significand's width
      const int32_t e = random.between(35, 254);
      const Pair p = {randomFloat(random, e), randomFloat(random, e - random.between(20, 35))};
      return random.below(2) != 0 ? p : Pair{p.b, p.a};
    }
    case 4: {  // halfway cases: a with few ones or few zeros, b with few ones
      // and maybe a last bit that falls below the guard byte
      const int32_t e = random.between(30, 254);
      const uint32_t ones = random.below(2) != 0 ? kFraction : 0;
      const uint32_t a =
          makeFloat(signOf(random), e, fewBitsFraction(random, random.below(24)) ^ ones);
      const int32_t d = random.below(2) != 0 ? random.between(23, 26) : random.between(1, 30);
      const uint32_t b = makeFloat(signOf(random), e - d,
                                   fewBitsFraction(random, random.below(4)) | (random.next() & 1));
      return {a, b};
    }
    case 5: {  // neighbours of opposite sign, also across a power of two
      const uint32_t a = random.below(2) != 0 ? makeFloat(signOf(random), random.between(1, 254), 0)
                                             : bits32(random);
      return {a, (a + static_cast<uint32_t>(random.between(-3, 3))) ^ kNegative};
    }
    case 6:  // subnormals and the smallest normals
      return {randomFloat(random, random.between(0, 2)), randomFloat(random, random.between(0, 2))};
    default:  // the top of the range
      return {randomFloat(random, random.between(248, 254)),
              randomFloat(random, random.between(248, 254))};
  }
}

// Multiplication and division differ only in how the exponents combine.
Pair productOrQuotientPair(Random& random, bool product) {
  // The result exponent is about ea + eb - 127 or ea - eb + 127.
  auto around = [&](int32_t resultExponent, int32_t* ea, int32_t* eb) {
    if (product) {
      exponentsAround(random, resultExponent + 127, true, ea, eb);
    } else {
      exponentsAround(random, resultExponent - 127, false, ea, eb);
    }
  };
  int32_t ea;
  int32_t eb;
  switch (random.below(8)) {
    case 0:
      return {bits32(random), bits32(random)};
    case 1:
      return {specialFloat(random), random.below(2) != 0 ? specialFloat(random) : bits32(random)};
    case 2:  // near the overflow edge
      around(random.between(251, 257), &ea, &eb);
      return {randomFloat(random, ea), randomFloat(random, eb)};
    case 3:  // inside the subnormal range
      around(random.between(-27, 2), &ea, &eb);
      return {randomFloat(random, ea), randomFloat(random, eb)};
    case 4:
    case 5: {  // few significant bits: exact products and ties, also subnormal
      around(random.below(2) != 0 ? random.between(-27, 2) : random.between(100, 150), &ea, &eb);
      const uint32_t bitsA = random.below(24);
      const uint32_t bitsB = bitsA >= 23 ? random.below(4) : random.below(24 - bitsA + 2);
      return {makeFloat(signOf(random), ea, fewBitsFraction(random, bitsA)),
              makeFloat(signOf(random), eb, fewBitsFraction(random, bitsB))};
    }
    case 6: {  // subnormal operands
      const Pair p = {randomFloat(random, 0), randomFloat(random, random.between(0, 254))};
      return random.below(2) != 0 ? p : Pair{p.b, p.a};
    }
    default:  // everyday magnitudes
      return {randomFloat(random, random.between(110, 144)),
              randomFloat(random, random.between(110, 144))};
  }
}

Pair operandsFor(Operands operands, Random& random) {
  switch (operands) {
    case Operands::AddPair:
      return addPair(random);
    case Operands::MulPair:
      return productOrQuotientPair(random, true);
    case Operands::DivPair:
      return productOrQuotientPair(random, false);
  }
  return {0, 0};
}

class SoftFloatRandom : public testing::TestWithParam<size_t> {};

TEST_P(SoftFloatRandom, AgreesWithTheHost) {
  ASSERT_EQ(hostRoundingProblem(), "");
  const Routine& routine = kRoutines[GetParam()];
  const uint64_t seed = softRoutineSeed(routine.name, "SOFTFLOAT_SEED", 0xF10A7);
  Random random(seed);
  int failures = 0;
  for (uint64_t i = 0; i < (uint64_t{1} << VS_SOFTFLOAT_PAIRS_LOG2); ++i) {
    const Pair p = operandsFor(routine.operands, random);
    const uint32_t ours = routine.ours(p.a, p.b);
    const uint32_t want = expected(routine, p.a, p.b);
    if (ours != want) {
      ADD_FAILURE() << std::hex << "seed 0x" << seed << ": " << routine.name << "(0x" << p.a
                    << ", 0x" << p.b << ") = 0x" << ours << ", expected 0x" << want
                    << " (host 0x" << routine.host(p.a, p.b) << ")";
      if (++failures == 10) {
        return;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryRoutine, SoftFloatRandom,
                         testing::Range(size_t{0}, std::size(kRoutines)),
                         [](const testing::TestParamInfo<size_t>& info) {
                           return std::string(kRoutines[info.param].name);
                         });

}  // namespace
}  // namespace softfloat_test
