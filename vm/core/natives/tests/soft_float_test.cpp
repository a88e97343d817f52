// Corner cases of the software float routines: fixed expectations written
// out in bits, and every pair of special values against the host.
#include "vm/core/natives/soft_float.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "vm/core/natives/tests/soft_float_reference.h"
#include "vm/core/natives/tests/soft_routine_checks.h"

namespace softfloat_test {
namespace {

using F = SoftFloatFormat;
constexpr uint32_t kInf = F::kInf, kOne = F::kOne, kTwo = F::kTwo, kHalfValue = F::kHalfValue,
                   kMaxFinite = F::kMaxFinite, kMinNormal = F::kMinNormal,
                   kMaxSubnormal = F::kMaxSubnormal, kMinSubnormal = F::kMinSubnormal;

using Expectation = SoftExpectation<uint32_t>;

void checkTable(const std::vector<Expectation>& table) { checkSoftTable(kRoutines, table); }

TEST(SoftFloat, RoundsToNearestEven) {
  checkTable({
      {"fadd", 0x3DCCCCCD, 0x3E4CCCCD, 0x3E99999A},  // 0.1f + 0.2f
      {"fdiv", kOne, 0x40400000, 0x3EAAAAAB},        // 1 / 3
      {"fdiv", kOne, 0x3F7FFFFF, 0x3F800001},        // 1 / (1 - 2^-24)
      // Ties and near ties between normal numbers.
      {"fadd", kOne, 0x33800000, kOne},              // 1 + 2^-24: tie to even
      {"fadd", 0x3F800001, 0x33800000, 0x3F800002},  // odd neighbour: tie up
      {"fadd", kOne, 0x33800001, 0x3F800001},        // just above the tie
      {"fadd", 0x4B800000, kOne, 0x4B800000},        // 2^24 + 1
      {"fadd", 0x4B800001, kOne, 0x4B800002},        // 2^24 + 3
      {"fsub", kOne, 0x33000000, kOne},              // 1 - 2^-25: tie to even
      {"fsub", kOne, 0x33000001, 0x3F7FFFFF},        // just beyond the tie
      {"fsub", kOne, 0x33800001, 0x3F7FFFFF},        // sticky bit after normalising
      {"fsub", kOne, 0x34000000, 0x3F7FFFFE},
      {"fadd", kOne, kMinSubnormal, kOne},
      {"fmul", 0x3F800800, 0x3F800800, 0x3F801000},  // (1 + 2^-12)^2: tie to even
      {"fmul", 0x3F800001, 0x3F800001, 0x3F800002},
      // A carry out of the rounding raises the exponent.
      {"fadd", 0x3FFFFFFF, 0x33800000, kTwo},
      {"fmul", 0x3FFFFFFF, 0x3F800001, kTwo},
      {"fadd", kMaxSubnormal, kMinSubnormal, kMinNormal},
      {"fmul", 0x00FFFFFF, kHalfValue, kMinNormal},  // max subnormal + half: tie up
      // Overflow, and rounding up to infinity.
      {"fmul", kMaxFinite, kTwo, kInf},
      {"fmul", kMaxFinite | kNegative, kTwo, kInf | kNegative},
      {"fdiv", kMaxFinite, kHalfValue, kInf},
      {"fadd", kMaxFinite, 0x73000000, kInf},        // max + half its last place
      {"fadd", kMaxFinite, 0x72FFFFFF, kMaxFinite},  // just below that tie
      {"fsub", kMaxFinite | kNegative, 0x73000000, kInf | kNegative},
      {"fmul", kMaxFinite, 0x3F800001, kInf},
      {"fmul", kMaxFinite, kOne, kMaxFinite},
  });
}

TEST(SoftFloat, RoundsOnceInTheSubnormalRange) {
  checkTable({
      {"fmul", kMinSubnormal, kHalfValue, 0},                      // half a unit: tie to 0
      {"fmul", kMinSubnormal | kNegative, kHalfValue, kNegative},
      {"fmul", kMinSubnormal, 0x3F000001, kMinSubnormal},          // just above half a unit
      {"fmul", kMinSubnormal, 0x3FC00000, 0x00000002},             // 1.5 units
      {"fmul", 0x00000003, kHalfValue, 0x00000002},                // 1.5 units
      {"fmul", 0x00000005, kHalfValue, 0x00000002},                // 2.5 units
      {"fmul", kMinNormal, kHalfValue, 0x00400000},
      {"fdiv", kMinSubnormal, kTwo, 0},
      {"fdiv", 0x00000003, kTwo, 0x00000002},
      {"fdiv", kMinSubnormal, 0x3FFFFFFF, kMinSubnormal},          // 1 / (2 - 2^-23) units
      {"fdiv", kMinNormal, 0x4B000000, kMinSubnormal},             // 2^-126 / 2^23
      // Just below 1.5 units: rounded first to 24 bits the value would be
      // 1.5 units exactly, and that tie would go to 2.
      {"fmul", 0x00FFFFFD, 0x33C00002, kMinSubnormal},
      {"fdiv", 0x00FFFFFD, 0x4B2AAAA9, kMinSubnormal},
      // Underflow to a signed zero.
      {"fmul", kMinSubnormal, kMinSubnormal, 0},
      {"fmul", kMinNormal | kNegative, kMinNormal, kNegative},
      {"fdiv", kMinSubnormal, kMaxFinite | kNegative, kNegative},
      {"fdiv", kMinSubnormal | kNegative, 0x40400000, kNegative},  // a third of a unit
      // Sums and differences in the subnormal range are exact.
      {"fsub", kMinNormal, kMinSubnormal, kMaxSubnormal},
      {"fsub", 0x00800001, kMinNormal, kMinSubnormal},
      {"fadd", 0x00000003, 0x00000005, 0x00000008},
      {"fsub", 0x3F800001, kOne, 0x34000000},
  });
}

TEST(SoftFloat, ZeroSumsTakeTheSignOnlyFromTwoNegativeZeros) {
  checkTable({
      {"fadd", kNegative, kNegative, kNegative},
      {"fadd", kNegative, 0, 0},
      {"fadd", 0, kNegative, 0},
      {"fsub", kNegative, 0, kNegative},
      {"fsub", kNegative, kNegative, 0},
      {"fsub", 0, 0, 0},
      {"fadd", kOne | kNegative, kNegative, kOne | kNegative},
      {"fadd", kNegative, kOne, kOne},
      // Exact cancellation gives +0 whatever the signs.
      {"fsub", kOne, kOne, 0},
      {"fadd", kOne, kOne | kNegative, 0},
      {"fadd", kOne | kNegative, kOne, 0},
      {"fsub", kOne | kNegative, kOne | kNegative, 0},
      {"fadd", kMinSubnormal, kMinSubnormal | kNegative, 0},
  });
}

TEST(SoftFloat, InfinitiesAndNaNs) {
  checkTable({
      {"fadd", kInf, kInf | kNegative, kNaN},
      {"fsub", kInf, kInf, kNaN},
      {"fadd", kInf | kNegative, kInf | kNegative, kInf | kNegative},
      {"fadd", kInf, kMaxFinite | kNegative, kInf},
      {"fsub", kOne, kInf, kInf | kNegative},
      // The sum returns a NaN operand unchanged, signalling ones included,
      // the first when both are NaNs; the difference flips the second's sign.
      {"fadd", 0x7F800001, kOne, 0x7F800001},
      {"fadd", kOne, 0xFFC00123, 0xFFC00123},
      {"fadd", 0x7FC00001, 0x7FA00000, 0x7FC00001},
      {"fadd", kInf, 0x7FA00000, 0x7FA00000},
      {"fadd", 0xFF800001, kInf | kNegative, 0xFF800001},
      {"fsub", kOne, 0x7FC00123, 0xFFC00123},
      {"fsub", 0xFFC00000, 0x7F800001, 0xFFC00000},
      // Products and quotients give the one default NaN.
      {"fmul", 0x7FC00123, kOne, kNaN},
      {"fmul", kOne, 0xFF800001, kNaN},
      {"fmul", kInf, 0, kNaN},
      {"fmul", kNegative, kInf, kNaN},
      {"fdiv", 0x7FA00000, 0, kNaN},
      {"fdiv", 0, 0, kNaN},
      {"fdiv", kInf, kInf | kNegative, kNaN},
      // Signed infinities and zeros from special operands.
      {"fmul", kInf, kTwo | kNegative, kInf | kNegative},
      {"fmul", kInf | kNegative, kMinSubnormal | kNegative, kInf},
      {"fmul", 0, kMaxFinite | kNegative, kNegative},
      {"fmul", kNegative, kNegative, 0},
      {"fdiv", kOne, 0, kInf},
      {"fdiv", kOne | kNegative, 0, kInf | kNegative},
      {"fdiv", kOne, kNegative, kInf | kNegative},
      {"fdiv", kMinSubnormal, 0, kInf},
      {"fdiv", kInf | kNegative, kTwo, kInf | kNegative},
      {"fdiv", kInf, 0, kInf},
      {"fdiv", 0, kOne | kNegative, kNegative},
      {"fdiv", kOne, kInf | kNegative, kNegative},
      {"fdiv", 0, kInf, 0},
  });
}

// Special values: zeros, the subnormal edges, the smallest normal, 1.0 and
// its neighbours, powers near the top, the largest finite value, infinity,
// quiet and signalling NaNs with payloads; each with both signs.
const uint32_t kSpecials[] = {
    0,          kMinSubnormal, 0x00000002, 0x00000003, kMaxSubnormal, kMinNormal,
    0x00800001, 0x00FFFFFF,    0x3F7FFFFF, kOne,       0x3F800001,    0x3FC00000,
    kTwo,       kHalfValue,    0x33800000, 0x4B800000, 0x7F000000,    kMaxFinite,
    kInf,       kNaN,          0x7FC00123, 0x7F800001, 0x7FA00000,
};

TEST(SoftFloat, SpecialValuesAgreeWithTheHost) {
  ASSERT_EQ(hostRoundingProblem(), "");
  std::vector<uint32_t> values;
  for (uint32_t v : kSpecials) {
    values.push_back(v);
    values.push_back(v | kNegative);
  }
  for (const Routine& routine : kRoutines) {
    for (uint32_t a : values) {
      for (uint32_t b : values) {
        const uint32_t ours = routine.ours(a, b);
        EXPECT_EQ(ours, expected(routine, a, b))
            << std::hex << routine.name << "(0x" << a << ", 0x" << b << ") = 0x" << ours
            << ", host 0x" << routine.host(a, b);
      }
    }
  }
}

}  // namespace
}  // namespace softfloat_test
