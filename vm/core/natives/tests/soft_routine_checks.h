// What the float and the double routine tests share: the named bit patterns
// of each format, a table of fixed expectations checked routine by routine
// (each failure names the routine and its operands in hexadecimal), and the
// seed of a routine's random run.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

// The named bit patterns of an IEEE binary format of `FractionBits` stored
// fraction bits and `ExponentBits` exponent bits, held in `Word`:
//   sign | biased exponent (ExponentBits) | fraction (FractionBits)
template <class Word, int FractionBits, int ExponentBits>
struct SoftFormat {
  using Bits = Word;
  static constexpr int32_t kFractionBits = FractionBits;
  static constexpr int32_t kMaxExponent = (1 << ExponentBits) - 2;  // the largest finite one
  static constexpr int32_t kBias = (1 << (ExponentBits - 1)) - 1;
  static constexpr Bits kNegative = Bits{1} << (FractionBits + ExponentBits);
  static constexpr Bits kFraction = (Bits{1} << FractionBits) - 1;
  static constexpr Bits kMinNormal = Bits{1} << FractionBits;
  static constexpr Bits kInf = static_cast<Bits>(kMaxExponent + 1) << FractionBits;
  static constexpr Bits kNaN = kInf | (kMinNormal >> 1);  // the default quiet NaN
  static constexpr Bits kOne = static_cast<Bits>(kBias) << FractionBits;
  static constexpr Bits kTwo = kOne + kMinNormal;
  static constexpr Bits kHalfValue = kOne - kMinNormal;
  static constexpr Bits kMaxFinite = kInf - 1;
  static constexpr Bits kMaxSubnormal = kFraction;
  static constexpr Bits kMinSubnormal = 1;
};

using SoftFloatFormat = SoftFormat<uint32_t, 23, 8>;
using SoftDoubleFormat = SoftFormat<uint64_t, 52, 11>;

static_assert(SoftFloatFormat::kOne == 0x3F800000 && SoftFloatFormat::kNaN == 0x7FC00000 &&
              SoftFloatFormat::kMaxFinite == 0x7F7FFFFF && SoftFloatFormat::kNegative == 0x80000000);
static_assert(SoftDoubleFormat::kOne == 0x3FF0000000000000 && SoftDoubleFormat::kNaN == 0x7FF8000000000000 &&
              SoftDoubleFormat::kMaxFinite == 0x7FEFFFFFFFFFFFFF &&
              SoftDoubleFormat::kHalfValue == 0x3FE0000000000000);

template <class Bits>
struct SoftExpectation {
  const char* routine;
  Bits a;
  Bits b;
  Bits expected;
};

// Runs each expectation through the routine of its name among `routines`.
template <class Routine, size_t N, class Bits>
void checkSoftTable(const Routine (&routines)[N], const std::vector<SoftExpectation<Bits>>& table) {
  for (const SoftExpectation<Bits>& c : table) {
    const Routine* routine = nullptr;
    for (const Routine& r : routines)
      if (std::strcmp(r.name, c.routine) == 0) routine = &r;
    if (routine == nullptr) {
      ADD_FAILURE() << "no routine " << c.routine;
      continue;
    }
    EXPECT_EQ(routine->ours(c.a, c.b), c.expected)
        << std::hex << c.routine << "(0x" << c.a << ", 0x" << c.b << ")";
  }
}

// The seed of a routine's random run: the environment variable's value when
// it is set (to repeat a reported run), else one derived from the base and
// the routine's name.
inline uint64_t softRoutineSeed(const char* routineName, const char* variable, uint64_t base) {
  if (const char* text = std::getenv(variable)) return std::strtoull(text, nullptr, 0);
  uint64_t seed = base;
  for (const char* p = routineName; *p != '\0'; ++p) seed = seed * 131 + static_cast<unsigned char>(*p);
  return seed;
}
