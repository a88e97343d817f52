// Random operands for every software double routine, compared with the host.
//
// The arithmetic operands come from the generator of soft_random_pairs.h;
// the double's own windows: exponent differences of 50 to 56 for addition,
// halfway cases with differences up to 55, exact products and quotients
// around 2^-123 to 2^77, everyday operands between 2^-23 and 2^23. The
// comparisons, conversions and their edges have their generators here. A
// failure prints the seed and the operands; SOFTDOUBLE_SEED=<n> repeats a run.
#include <gtest/gtest.h>

#include <string>

#include "vm/core/natives/tests/soft_double_reference.h"
#include "vm/core/natives/tests/soft_random_pairs.h"

#ifndef VS_SOFTDOUBLE_PAIRS_LOG2
#error "VS_SOFTDOUBLE_PAIRS_LOG2 gives the number of operand pairs per routine as a power of two"
#endif

namespace softdouble_test {
namespace {

using float_test_support::Random;

constexpr uint64_t kSign = SoftDoubleFormat::kNegative;

// In the order of RandomWindows: wide base and difference, halfway lowest
// exponent and difference, exact results, everyday operands.
constexpr RandomWindows kWindows = {{57, 2046}, {50, 56}, 60, {1, 55}, {900, 1100}, {1000, 1046}};

using Generator = RandomOperands<SoftDoubleFormat>;
using Pair = Generator::Pair;

Pair comparePair(Generator& g) {
  Random& random = g.random();
  const uint64_t a = random.below(4) == 0 ? g.special() : random.next();
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

uint64_t unaryDouble(Generator& g) {
  Random& random = g.random();
  switch (random.below(6)) {
    case 0:
      return random.next();
    case 1:
      return g.special();
    case 2:  // the float range
      return g.withExponent(1023 + random.between(-152, 128));
    case 3: {  // float ties and near ties, normal and subnormal floats
      const uint64_t low = 0x10000000 + static_cast<uint64_t>(random.between(-1, 1));
      const uint64_t fraction = (random.next() & ~uint64_t{0x1FFFFFFF}) | low;
      return g.withFraction(1023 + random.between(-152, 128), fraction);
    }
    case 4: {  // the edges of int and long
      const int32_t power = random.below(2) != 0 ? random.between(29, 33) : random.between(61, 65);
      return g.withExponent(1023 + power);
    }
    default:
      return g.withExponent(1023 + random.between(-3, 31));
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

Pair operandsFor(Operands operands, Generator& g) {
  switch (operands) {
    case Operands::AddPair:
    case Operands::MulPair:
    case Operands::DivPair:
      return g.arithmetic(operands);
    case Operands::ComparePair:
      return comparePair(g);
    case Operands::Double:
      return {unaryDouble(g), 0};
    case Operands::Float:
      return {unaryFloat(g.random()), 0};
    case Operands::Int:
      return {unaryInteger(g.random(), 32), 0};
    case Operands::Long:
      return {unaryInteger(g.random(), 64), 0};
  }
  return {0, 0};
}

class SoftDoubleRandom : public testing::TestWithParam<size_t> {};

TEST_P(SoftDoubleRandom, AgreesWithTheHost) {
  ASSERT_EQ(hostRoundingProblem(), "");
  const Routine& routine = kRoutines[GetParam()];
  runRandomPairs<SoftDoubleFormat>(
      routine.name, "SOFTDOUBLE_SEED", 0x5EED5EED, uint64_t{1} << VS_SOFTDOUBLE_PAIRS_LOG2, kWindows,
      [&](Generator& g) { return operandsFor(routine.operands, g); },
      [&](uint64_t a, uint64_t b) -> std::string {
        const uint64_t ours = routine.ours(a, b);
        const uint64_t reference = routine.reference(a, b);
        return agrees(routine, ours, reference) ? "" : softHex(ours) + ", host " + softHex(reference);
      });
}

INSTANTIATE_TEST_SUITE_P(EveryRoutine, SoftDoubleRandom, testing::Range(size_t{0}, std::size(kRoutines)),
                         [](const testing::TestParamInfo<size_t>& info) {
                           return std::string(kRoutines[info.param].name);
                         });

}  // namespace
}  // namespace softdouble_test
