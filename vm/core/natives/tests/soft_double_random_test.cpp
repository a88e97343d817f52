// Random operands for every software double routine, compared with the host.
//
// The generator mixes uniform bit patterns with classes that reach the hard
// paths: equal exponents (cancellation) and exponent differences of 50 to 56
// for addition, products and quotients near the overflow edge and inside the
// subnormal range, halfway cases built from operands with few significant
// bits, special values, and the edges of the integer conversions. A failure
// prints the seed and the operands; SOFTDOUBLE_SEED=<n> repeats a run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "vm/core/natives/tests/soft_double_reference.h"
#include "vm/core/natives/tests/soft_routine_checks.h"

#ifndef VS_SOFTDOUBLE_PAIRS_LOG2
#error "VS_SOFTDOUBLE_PAIRS_LOG2 gives the number of operand pairs per routine as a power of two"
#endif

namespace softdouble_test {
namespace {

constexpr uint64_t kSign = 0x8000000000000000;
constexpr uint64_t kFraction = 0x000FFFFFFFFFFFFF;

using float_test_support::Random;

uint64_t makeDouble(uint64_t sign, int32_t exponent, uint64_t fraction) {
  return sign | (static_cast<uint64_t>(exponent) << 52) | (fraction & kFraction);
}

// A fraction whose significand has at most `bits` (up to 52) significant
// bits below the hidden one.
uint64_t fewBitsFraction(Random& random, uint32_t bits) {
  if (bits == 0) {
    return 0;
  }
  if (bits > 52) {
    bits = 52;
  }
  return (random.next() >> (64 - bits)) << (52 - bits);
}

const uint64_t kSpecialDoubles[] = {
    0,
    0x0000000000000001,
    0x000FFFFFFFFFFFFF,
    0x0010000000000000,
    0x3FF0000000000000,
    0x7FEFFFFFFFFFFFFF,
    0x7FF0000000000000,
    0x7FF8000000000000,
    0x7FF0000000000001,
};

uint64_t specialDouble(Random& random) {
  constexpr uint32_t n = sizeof kSpecialDoubles / sizeof kSpecialDoubles[0];
  return kSpecialDoubles[random.below(n)] | random.sign();
}

// Two biased exponents in [0, 2046] whose sum (or difference) is near
// `target`; `sum` selects which.
void exponentsAround(Random& random, int32_t target, bool sum, int32_t* ea, int32_t* eb) {
  for (;;) {
    *ea = random.between(0, 2046);
    *eb = sum ? target - *ea : *ea - target;
    if (*eb >= 0 && *eb <= 2046) {
      return;
    }
  }
}

struct Pair {
  uint64_t a;
  uint64_t b;
};

Pair addPair(Random& random) {
  switch (random.below(8)) {
    case 0:
      return {random.next(), random.next()};
    case 1:
      return {specialDouble(random), random.below(2) != 0 ? specialDouble(random) : random.next()};
    case 2: {  // equal exponents: cancellation
      const int32_t e = random.between(0, 2046);
      return {makeDouble(random.sign(), e, random.next()), makeDouble(random.sign(), e, random.next())};
    }
    case 3: {  // exponent differences of 50 to 56
      const int32_t e = random.between(57, 2046);
      const int32_t d = random.between(50, 56);
      const uint64_t big = makeDouble(random.sign(), e, random.next());
      const uint64_t small = makeDouble(random.sign(), e - d, random.next());
      return random.below(2) != 0 ? Pair{big, small} : Pair{small, big};
    }
    case 4: {  // halfway cases: a with few ones or few zeros, b with few ones
      // and maybe a last bit that falls below the guard
      const int32_t e = random.between(60, 2046);
      const uint64_t ones = random.below(2) != 0 ? kFraction : 0;
      const uint64_t a =
          makeDouble(random.sign(), e, fewBitsFraction(random, random.below(53)) ^ ones);
      const int32_t d = random.below(2) != 0 ? random.between(52, 55) : random.between(1, 55);
      const uint64_t b = makeDouble(random.sign(), e - d,
                                    fewBitsFraction(random, random.below(4)) | (random.next() & 1));
      return {a, b};
    }
    case 5: {  // neighbours of opposite sign, also across a power of two
      const uint64_t a = random.below(2) != 0 ? makeDouble(random.sign(), random.between(1, 2046), 0)
                                             : random.next();
      return {a, (a + static_cast<uint64_t>(static_cast<int64_t>(random.between(-3, 3)))) ^ kSign};
    }
    case 6: {  // subnormals and the smallest normals
      return {makeDouble(random.sign(), random.between(0, 2), random.next()),
              makeDouble(random.sign(), random.between(0, 2), random.next())};
    }
    default: {  // the top of the range
      return {makeDouble(random.sign(), random.between(2040, 2046), random.next()),
              makeDouble(random.sign(), random.between(2040, 2046), random.next())};
    }
  }
}

// Multiplication and division differ only in how the exponents combine.
Pair productOrQuotientPair(Random& random, bool product) {
  // The result exponent is about ea + eb - 1023 or ea - eb + 1023.
  auto around = [&](int32_t resultExponent, int32_t* ea, int32_t* eb) {
    if (product) {
      exponentsAround(random, resultExponent + 1023, true, ea, eb);
    } else {
      exponentsAround(random, resultExponent - 1023, false, ea, eb);
    }
  };
  int32_t ea;
  int32_t eb;
  switch (random.below(8)) {
    case 0:
      return {random.next(), random.next()};
    case 1:
      return {specialDouble(random), random.below(2) != 0 ? specialDouble(random) : random.next()};
    case 2:  // near the overflow edge
      around(random.between(2043, 2049), &ea, &eb);
      return {makeDouble(random.sign(), ea, random.next()), makeDouble(random.sign(), eb, random.next())};
    case 3:  // inside the subnormal range
      around(random.between(-56, 2), &ea, &eb);
      return {makeDouble(random.sign(), ea, random.next()), makeDouble(random.sign(), eb, random.next())};
    case 4:
    case 5: {  // few significant bits: exact products and ties, also subnormal
      around(random.below(2) != 0 ? random.between(-56, 2) : random.between(900, 1100), &ea, &eb);
      const uint32_t bitsA = random.below(53);
      const uint32_t bitsB = bitsA >= 52 ? random.below(4) : random.below(53 - bitsA + 2);
      return {makeDouble(random.sign(), ea, fewBitsFraction(random, bitsA)),
              makeDouble(random.sign(), eb, fewBitsFraction(random, bitsB))};
    }
    case 6:  // subnormal operands
      return {makeDouble(random.sign(), 0, random.next()),
              makeDouble(random.sign(), random.between(0, 2046), random.next())};
    default:  // everyday magnitudes
      return {makeDouble(random.sign(), random.between(1000, 1046), random.next()),
              makeDouble(random.sign(), random.between(1000, 1046), random.next())};
  }
}

Pair comparePair(Random& random) {
  const uint64_t a = random.below(4) == 0 ? specialDouble(random) : random.next();
  switch (random.below(4)) {
    case 0:
      return {a, random.next()};
    case 1:
      return {a, a};
    case 2:
      return {a, a ^ kSign};
    default:
      return {a, random.below(2) != 0 ? a + 1 : a - 1};  // neighbours
  }
}

uint64_t unaryDouble(Random& random) {
  switch (random.below(6)) {
    case 0:
      return random.next();
    case 1:
      return specialDouble(random);
    case 2:  // the float range
      return makeDouble(random.sign(), 1023 + random.between(-152, 128), random.next());
    case 3: {  // float ties and near ties, normal and subnormal floats
      const uint64_t low = 0x10000000 + static_cast<uint64_t>(random.between(-1, 1));
      const uint64_t fraction = (random.next() & ~uint64_t{0x1FFFFFFF}) | low;
      return makeDouble(random.sign(), 1023 + random.between(-152, 128), fraction);
    }
    case 4: {  // the edges of int and long
      const int32_t power = random.below(2) != 0 ? random.between(29, 33) : random.between(61, 65);
      return makeDouble(random.sign(), 1023 + power, random.next());
    }
    default:
      return makeDouble(random.sign(), 1023 + random.between(-3, 31), random.next());
  }
}

uint64_t unaryFloat(Random& random) {
  const uint64_t sign = random.sign() >> 32;
  const uint64_t fraction = random.next() & 0x7FFFFF;
  switch (random.below(5)) {
    case 0:
      return random.next() & 0xFFFFFFFF;
    case 1:
      return sign | (0x7F800000 | (random.below(2) != 0 ? fraction : 0));
    case 2: {  // the edges of int and long
      const int32_t power = random.below(2) != 0 ? random.between(29, 33) : random.between(61, 65);
      return sign | (static_cast<uint64_t>(127 + power) << 23) | fraction;
    }
    case 3:
      return sign | fraction;  // subnormal
    default:
      return sign | (static_cast<uint64_t>(127 + random.between(-3, 31)) << 23) | fraction;
  }
}

// An integer of `width` bits (32 or 64) whose magnitude needs more than
// `precision` bits and whose dropped bits are exactly half or next to it.
uint64_t nearHalfway(Random& random, uint32_t width, uint32_t precision) {
  const uint32_t length = precision + 1 + random.below(width - 1 - precision);  // significant bits
  const uint32_t dropped = length - precision;
  uint64_t value = (random.next() | (uint64_t{1} << 63)) >> (64 - length);
  value &= ~((uint64_t{1} << dropped) - 1);
  value |= uint64_t{1} << (dropped - 1);
  value += static_cast<uint64_t>(static_cast<int64_t>(random.between(-1, 1)));
  return (random.next() & 1) != 0 ? 0 - value : value;
}

uint64_t unaryInteger(Random& random, uint32_t width) {
  const uint64_t mask = width == 32 ? 0xFFFFFFFF : ~uint64_t{0};
  switch (random.below(4)) {
    case 0:
      return random.next() & mask;
    case 1: {  // every bit length
      const uint64_t value = random.next() >> random.below(64);
      return ((random.next() & 1) != 0 ? 0 - value : value) & mask;
    }
    case 2:
      return nearHalfway(random, width, 24) & mask;
    default:
      return (width == 64 ? nearHalfway(random, 64, 53) : nearHalfway(random, 32, 24)) & mask;
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
    case Operands::ComparePair:
      return comparePair(random);
    case Operands::Double:
      return {unaryDouble(random), 0};
    case Operands::Float:
      return {unaryFloat(random), 0};
    case Operands::Int:
      return {unaryInteger(random, 32), 0};
    case Operands::Long:
      return {unaryInteger(random, 64), 0};
  }
  return {0, 0};
}

class SoftDoubleRandom : public testing::TestWithParam<size_t> {};

TEST_P(SoftDoubleRandom, AgreesWithTheHost) {
  ASSERT_EQ(hostRoundingProblem(), "");
  const Routine& routine = kRoutines[GetParam()];
  const uint64_t seed = softRoutineSeed(routine.name, "SOFTDOUBLE_SEED", 0x5EED5EED);
  Random random(seed);
  int failures = 0;
  for (uint64_t i = 0; i < (uint64_t{1} << VS_SOFTDOUBLE_PAIRS_LOG2); ++i) {
    const Pair p = operandsFor(routine.operands, random);
    const uint64_t ours = routine.ours(p.a, p.b);
    const uint64_t reference = routine.reference(p.a, p.b);
    if (!agrees(routine, ours, reference)) {
      ADD_FAILURE() << std::hex << "seed 0x" << seed << ": " << routine.name << "(0x" << p.a
                    << ", 0x" << p.b << ") = 0x" << ours << ", host 0x" << reference;
      if (++failures == 10) {
        return;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryRoutine, SoftDoubleRandom,
                         testing::Range(size_t{0}, std::size(kRoutines)),
                         [](const testing::TestParamInfo<size_t>& info) {
                           return std::string(kRoutines[info.param].name);
                         });

}  // namespace
}  // namespace softdouble_test
