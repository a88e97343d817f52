// Random operands for every software float routine, compared with the host.
//
// The operands come from the generator of soft_random_pairs.h; the float's
// own windows: exponent differences of 20 to 35 for addition, halfway cases
// with differences up to 30, exact products and quotients around 2^-27 to
// 2^23, everyday operands between 2^-17 and 2^17. A failure prints the seed
// and the operands; SOFTFLOAT_SEED=<n> repeats a run.
#include <gtest/gtest.h>

#include <string>

#include "vm/core/natives/tests/soft_float_reference.h"
#include "vm/core/natives/tests/soft_random_pairs.h"

#ifndef VS_SOFTFLOAT_PAIRS_LOG2
#error "VS_SOFTFLOAT_PAIRS_LOG2 gives the number of operand pairs per routine as a power of two"
#endif

namespace softfloat_test {
namespace {

// In the order of RandomWindows: wide base and difference, halfway lowest
// exponent and difference, exact results, everyday operands.
constexpr RandomWindows kWindows = {{35, 254}, {20, 35}, 30, {1, 30}, {100, 150}, {110, 144}};

class SoftFloatRandom : public testing::TestWithParam<size_t> {};

TEST_P(SoftFloatRandom, AgreesWithTheHost) {
  ASSERT_EQ(hostRoundingProblem(), "");
  const Routine& routine = kRoutines[GetParam()];
  runRandomPairs<SoftFloatFormat>(
      routine.name, "SOFTFLOAT_SEED", 0xF10A7, uint64_t{1} << VS_SOFTFLOAT_PAIRS_LOG2, kWindows,
      [&](RandomOperands<SoftFloatFormat>& operands) { return operands.arithmetic(routine.operands); },
      [&](uint32_t a, uint32_t b) -> std::string {
        const uint32_t ours = routine.ours(a, b);
        const uint32_t want = expected(routine, a, b);
        if (ours == want) {
          return "";
        }
        return softHex(ours) + ", expected " + softHex(want) + " (host " + softHex(routine.host(a, b)) + ")";
      });
}

INSTANTIATE_TEST_SUITE_P(EveryRoutine, SoftFloatRandom, testing::Range(size_t{0}, std::size(kRoutines)),
                         [](const testing::TestParamInfo<size_t>& info) {
                           return std::string(kRoutines[info.param].name);
                         });

}  // namespace
}  // namespace softfloat_test
