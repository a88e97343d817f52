// Corner cases of the software double routines: fixed expectations written
// out in bits, and every pair of special values against the host.
#include "vm/core/natives/soft_double.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "vm/core/natives/tests/soft_double_reference.h"
#include "vm/core/natives/tests/soft_routine_checks.h"

namespace softdouble_test {
namespace {

using F = SoftDoubleFormat;
constexpr uint64_t kNegative = F::kNegative, kNaN = F::kNaN, kInf = F::kInf, kOne = F::kOne,
                   kTwo = F::kTwo, kHalfValue = F::kHalfValue, kMaxFinite = F::kMaxFinite,
                   kMinNormal = F::kMinNormal, kMaxSubnormal = F::kMaxSubnormal,
                   kMinSubnormal = F::kMinSubnormal;

using Expectation = SoftExpectation<uint64_t>;

void checkTable(const std::vector<Expectation>& table) { checkSoftTable(kRoutines, table); }

uint64_t minusInt(int32_t i) {
  return intBits(i);
}

TEST(SoftDouble, ArithmeticEdgeCases) {
  checkTable({
      {"dadd", 0x3FB999999999999A, 0x3FC999999999999A, 0x3FD3333333333334},  // 0.1 + 0.2
      {"dsub", kOne, kOne, 0},
      {"dadd", kNegative, kNegative, kNegative},
      {"dadd", kNegative, 0, 0},
      {"dadd", 0, kNegative, 0},
      {"dsub", kNegative, 0, kNegative},
      {"dsub", kInf, kInf, kNaN},
      {"dadd", kInf, kInf | kNegative, kNaN},
      {"dadd", kInf | kNegative, kInf | kNegative, kInf | kNegative},
      {"dmul", 0, kInf, kNaN},
      {"dmul", kInf | kNegative, kNegative, kNaN},
      {"ddiv", 0, 0, kNaN},
      {"ddiv", kInf, kInf, kNaN},
      {"ddiv", kOne, 0, kInf},
      {"ddiv", kOne | kNegative, 0, kInf | kNegative},
      {"ddiv", kOne, kNegative, kInf | kNegative},
      {"ddiv", kOne, kInf | kNegative, kNegative},
      {"dmul", kMaxFinite, kTwo, kInf},
      {"dmul", kMaxFinite | kNegative, kTwo, kInf | kNegative},
      {"ddiv", kMinNormal, kTwo, 0x0008000000000000},
      {"ddiv", kMinNormal | kNegative, kTwo, 0x8008000000000000},
      // NaN operands of any kind give the one canonical NaN.
      {"dadd", 0xFFF8000000000123, kOne, kNaN},
      {"dsub", kOne, 0x7FF0000000000001, kNaN},
      {"dmul", 0x7FF4000000000000, 0, kNaN},
      {"ddiv", kInf, 0xFFF0000000000001, kNaN},
      // Ties to even and rounding at the edges.
      {"dadd", kOne, 0x3CA0000000000000, kOne},                    // 1 + 2^-53
      {"dadd", kOne, 0x3CB8000000000000, 0x3FF0000000000002},      // 1 + 3 * 2^-53
      {"dsub", kOne, 0x3C90000000000000, kOne},                    // 1 - 2^-54
      {"dsub", kOne, 0x3CA0000000000001, 0x3FEFFFFFFFFFFFFF},      // 1 - (2^-53 + tiny)
      {"dadd", kMaxFinite, 0x7C90000000000000, kInf},              // max + 2^970
      {"dadd", kMaxFinite, 0x7C8FFFFFFFFFFFFF, kMaxFinite},        // just below the tie
      {"dadd", 0x3FFFFFFFFFFFFFFF, 0x3CC0000000000001, 0x4000000000000001},  // carry, sticky
      {"dadd", 0x7890000000000000, 0xF688000000000001, 0x788FFFFFFFE80000},  // distance 33
      {"dsub", kOne, 0x3DE187D9582AAB65, 0x3FEFFFFFFFEE7827},
      {"dadd", kMaxSubnormal, kMinSubnormal, kMinNormal},
      {"dsub", kMinNormal, kMinSubnormal, kMaxSubnormal},
      {"dmul", kMinSubnormal, kHalfValue, 0},                      // 0x1 * 0.5
      {"dmul", kMinSubnormal | kNegative, kHalfValue, kNegative},
      {"dmul", kMinSubnormal, 0x3FF8000000000000, 0x2},            // 0x1 * 1.5
      {"dmul", 0x0000000000000003, kHalfValue, 0x2},               // 1.5 units -> 2
      {"dmul", 0x0000000000000005, kHalfValue, 0x2},               // 2.5 units -> 2
      {"dmul", kMinNormal, kHalfValue, 0x0008000000000000},
      {"dmul", 0x3FF0000000000001, 0x3FF0000000000001, 0x3FF0000000000002},
      {"ddiv", kMinSubnormal, kTwo, 0},
      {"ddiv", 0x0000000000000003, kTwo, 0x2},
      {"ddiv", kOne, 0x4008000000000000, 0x3FD5555555555555},      // 1 / 3
      {"ddiv", kMaxFinite, kHalfValue, kInf},
      {"dneg", kNaN, 0, 0xFFF8000000000000},
      {"dneg", 0, 0, kNegative},
      {"dneg", kNegative, 0, 0},
      {"dneg", 0x7FF0000000000001, 0, 0xFFF0000000000001},
  });
}

TEST(SoftDouble, ComparisonEdgeCases) {
  checkTable({
      {"dcmpl", kNaN, kOne, minusInt(-1)},
      {"dcmpl", kOne, kNaN, minusInt(-1)},
      {"dcmpl", kNaN, kNaN, minusInt(-1)},
      {"dcmpl", 0xFFF0000000000001, kInf, minusInt(-1)},
      {"dcmpg", kNaN, kOne, 1},
      {"dcmpg", kOne, kNaN, 1},
      {"dcmpg", kNaN | kNegative, kInf | kNegative, 1},
      {"dcmpl", 0, kNegative, 0},
      {"dcmpg", kNegative, 0, 0},
      {"dcmpl", kOne, kTwo, minusInt(-1)},
      {"dcmpg", kTwo, kOne, 1},
      {"dcmpl", kOne | kNegative, kTwo | kNegative, 1},
      {"dcmpl", kOne | kNegative, kMinSubnormal, minusInt(-1)},
      {"dcmpl", kInf, kMaxFinite, 1},
      {"dcmpl", kInf | kNegative, kInf | kNegative, 0},
  });
}

TEST(SoftDouble, ConversionEdgeCases) {
  checkTable({
      {"d2i", 0x4202A05F20000000, 0, 0x7FFFFFFF},  // 1e10
      {"d2i", 0xC202A05F20000000, 0, 0x80000000},  // -1e10
      {"d2i", kNaN, 0, 0},
      {"d2i", 0xBFECCCCCCCCCCCCD, 0, 0},           // -0.9
      {"d2i", 0xC1E0000000000000, 0, 0x80000000},  // -2^31
      {"d2i", 0xC1E00000001FFFFF, 0, 0x80000000},  // just above -2^31 - 1
      {"d2i", 0x41DFFFFFFFFFFFFF, 0, 0x7FFFFFFF},  // 2^31 - tiny
      {"d2i", 0xC00C000000000000, 0, 0xFFFFFFFD},  // -3.5
      {"d2l", kInf, 0, 0x7FFFFFFFFFFFFFFF},
      {"d2l", kInf | kNegative, 0, 0x8000000000000000},
      {"d2l", kNaN, 0, 0},
      {"d2l", 0x43DFFFFFFFFFFFFF, 0, 0x7FFFFFFFFFFFFC00},
      {"d2l", 0xC3E0000000000000, 0, 0x8000000000000000},
      {"l2d", 0x7FFFFFFFFFFFFFFF, 0, 0x43E0000000000000},
      {"l2d", 0x8000000000000000, 0, 0xC3E0000000000000},
      {"l2d", 0x0020000000000001, 0, 0x4340000000000000},  // 2^53 + 1: tie to even
      {"l2d", 0x0020000000000003, 0, 0x4340000000000002},  // 2^53 + 3: tie up
      {"l2d", 0xFFFFFFFFFFFFFFFF, 0, 0xBFF0000000000000},
      {"i2d", 0x80000000, 0, 0xC1E0000000000000},
      {"i2d", 0x7FFFFFFF, 0, 0x41DFFFFFFFC00000},
      {"i2d", 0, 0, 0},
      {"i2f", 0x01000001, 0, 0x4B800000},  // 2^24 + 1
      {"i2f", 0x01000003, 0, 0x4B800002},
      {"i2f", 0x7FFFFFFF, 0, 0x4F000000},
      {"i2f", 0x80000000, 0, 0xCF000000},
      {"i2f", 0xFFFFFFFF, 0, 0xBF800000},
      {"l2f", 0x0000000001000003, 0, 0x4B800002},  // 2^24 + 3
      {"l2f", 0x7FFFFFFFFFFFFFFF, 0, 0x5F000000},
      {"l2f", 0x8000000000000000, 0, 0xDF000000},
      {"l2f", 0x0000000001000001, 0, 0x4B800000},
      {"l2f", 0x0000008000008001, 0, 0x53000001},  // just over a tie
      {"l2f", 0x0000008000008000, 0, 0x53000000},  // the tie itself: to even
      {"f2i", 0x4F000000, 0, 0x7FFFFFFF},  // 2^31
      {"f2i", 0xCF000000, 0, 0x80000000},  // -2^31
      {"f2i", 0x7FC00000, 0, 0},
      {"f2i", 0xFF800000, 0, 0x80000000},
      {"f2i", 0xBF7FFFFF, 0, 0},
      {"f2l", 0x5F000000, 0, 0x7FFFFFFFFFFFFFFF},
      {"f2l", 0xDF000000, 0, 0x8000000000000000},
      {"f2l", 0x7F800001, 0, 0},
      {"f2l", 0xC0600000, 0, 0xFFFFFFFFFFFFFFFD},  // -3.5f
      {"d2f", 0x3FF0000010000000, 0, 0x3F800000},  // 1 + 2^-24: tie to even
      {"d2f", 0x3FF0000030000000, 0, 0x3F800002},  // 1 + 3 * 2^-24: tie up
      {"d2f", 0x366244CE242C5561, 0, 0},           // 1e-46
      {"d2f", 0x3696D601AD376AB9, 0, 0x00000001},  // 1e-45
      {"d2f", 0x36A0000000000000, 0, 0x00000001},  // 2^-149
      {"d2f", 0x3690000000000000, 0, 0},           // 2^-150: tie to even zero
      {"d2f", 0xB690000000000001, 0, 0x80000001},
      {"d2f", 0x380FFFFFE0000000, 0, 0x00800000},  // max float subnormal + half: rounds up
      {"d2f", 0x47EFFFFFF0000000, 0, 0x7F800000},  // float max + half ulp
      {"d2f", 0x47EFFFFFEFFFFFFF, 0, 0x7F7FFFFF},
      {"d2f", kNaN, 0, 0x7FC00000},
      {"d2f", 0xFFF0000000000001, 0, 0x7FC00000},
      {"d2f", kInf | kNegative, 0, 0xFF800000},
      {"d2f", kMinSubnormal | kNegative, 0, 0x80000000},
      {"f2d", 0x00000001, 0, 0x36A0000000000000},
      {"f2d", 0x807FFFFF, 0, 0xB80FFFFFC0000000},
      {"f2d", 0x00800000, 0, 0x3810000000000000},
      {"f2d", 0xFF800000, 0, kInf | kNegative},
      {"f2d", 0x3F800000, 0, kOne},
  });
  EXPECT_TRUE(isDoubleNaN(vsRuntime_f2d(0x7FC00000)));
  EXPECT_TRUE(isDoubleNaN(vsRuntime_f2d(0x7F800001)));
  EXPECT_TRUE(isDoubleNaN(vsRuntime_f2d(0xFFC00123)));
}

// Special values: zeros, the subnormal edges, the smallest normal, 1.0 and
// its neighbours, the largest finite value, infinity, quiet and signalling
// NaNs with payloads; each list is used with both signs.
const uint64_t kDoubleSpecials[] = {
    0, kMinSubnormal, 0x0000000000000002, kMaxSubnormal, kMinNormal, 0x0010000000000001,
    0x3FEFFFFFFFFFFFFF, kOne, 0x3FF0000000000001, 0x3FF8000000000000, kTwo, kHalfValue,
    0x4340000000000000,  // 2^53
    0x41E0000000000000,  // 2^31
    0x43E0000000000000,  // 2^63
    0x47EFFFFFF0000000,  // the largest float plus half its last place
    0x3690000000000000,  // half the smallest float subnormal
    0x7FE0000000000000, kMaxFinite, kInf, kNaN, 0x7FF8000000000123, 0x7FF0000000000001,
    0x7FF4000000000000,
};

const uint64_t kFloatSpecials[] = {
    0, 0x00000001, 0x007FFFFF, 0x00800000, 0x3F7FFFFF, 0x3F800000, 0x3F800001, 0x3FC00000,
    0x4B000000,  // 2^23
    0x4EFFFFFF, 0x4F000000, 0x5EFFFFFF, 0x5F000000, 0x7F7FFFFF, 0x7F800000, 0x7FC00000,
    0x7FC00123, 0x7F800001, 0x7FA00000,
};

const uint64_t kIntSpecials[] = {
    0, 1, 2, 3, 0x00FFFFFF, 0x01000000, 0x01000001, 0x01000003, 0x7FFFFFBF, 0x7FFFFFC0,
    0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFFF, 0xFEFFFFFF,
};

const uint64_t kLongSpecials[] = {
    0, 1, 3, 0x0000000001000003, 0x001FFFFFFFFFFFFF, 0x0020000000000001, 0x0020000000000003,
    0x7FFFFFFFFFFFFBFF, 0x7FFFFFFFFFFFFC00, 0x7FFFFFFFFFFFFFFF, 0x8000000000000000,
    0x8000000000000001, 0xFFFFFFFFFFFFFFFF, 0x00000000FFFFFFFF, 0x0000000100000000,
};

std::vector<uint64_t> specialsFor(Operands operands) {
  std::vector<uint64_t> values;
  auto addSigned = [&](const auto& list, uint64_t sign) {
    for (uint64_t v : list) {
      values.push_back(v);
      values.push_back(v | sign);
    }
  };
  switch (operands) {
    case Operands::Float:
      addSigned(kFloatSpecials, 0x80000000);
      break;
    case Operands::Int:
      for (uint64_t v : kIntSpecials) {
        values.push_back(v);
        values.push_back(static_cast<uint32_t>(0u - static_cast<uint32_t>(v)));
      }
      break;
    case Operands::Long:
      for (uint64_t v : kLongSpecials) {
        values.push_back(v);
        values.push_back(0 - v);
      }
      break;
    default:
      addSigned(kDoubleSpecials, kNegative);
      break;
  }
  return values;
}

TEST(SoftDouble, SpecialValuesAgreeWithTheHost) {
  ASSERT_EQ(hostRoundingProblem(), "");
  for (const Routine& routine : kRoutines) {
    const std::vector<uint64_t> values = specialsFor(routine.operands);
    const std::vector<uint64_t> seconds =
        isBinary(routine.operands) ? values : std::vector<uint64_t>{0};
    for (uint64_t a : values) {
      for (uint64_t b : seconds) {
        const uint64_t ours = routine.ours(a, b);
        const uint64_t reference = routine.reference(a, b);
        EXPECT_TRUE(agrees(routine, ours, reference))
            << std::hex << routine.name << "(0x" << a << ", 0x" << b << ") = 0x" << ours
            << ", host 0x" << reference;
      }
    }
  }
}

}  // namespace
}  // namespace softdouble_test
