// The routines of soft_float.h side by side with reference results from the
// host's own floating point: SSE on x86-64, libgcc's soft-float on ARM
// (which rounds these four operations correctly, subnormals included).
// The host follows IEEE for every result that is not a NaN; which NaN comes
// out is this system's own rule, written here.
#pragma once

#include <bit>
#include <cstdint>

#include "vm/core/natives/soft_float.h"
#include "vm/core/natives/tests/float_test_support.h"

namespace softfloat_test {

using float_test_support::hostRoundingProblem;
using float_test_support::Random;

constexpr uint32_t kNegative = 0x80000000;
constexpr uint32_t kNaN = 0x7FC00000;

inline bool isNaN(uint32_t bits) {
  return (bits & 0x7FFFFFFF) > 0x7F800000;
}

inline float asFloat(uint32_t bits) {
  return std::bit_cast<float>(bits);
}
inline uint32_t bitsOf(float f) {
  return std::bit_cast<uint32_t>(f);
}

// The NaN a routine must give where the host gives some NaN: fadd returns a
// NaN operand, the first when both are, else the default NaN; fsub is fadd
// with the second operand's sign flipped; fmul and fdiv give the default NaN.
inline uint32_t additionNaN(uint32_t a, uint32_t b) {
  return isNaN(a) ? a : (isNaN(b) ? b : kNaN);
}

enum class Operands { AddPair, MulPair, DivPair };

struct Routine {
  const char* name;
  Operands operands;
  uint32_t (*ours)(uint32_t a, uint32_t b);
  uint32_t (*host)(uint32_t a, uint32_t b);
  uint32_t (*expectedNaN)(uint32_t a, uint32_t b);
};

inline const Routine kRoutines[] = {
    {"fadd", Operands::AddPair, vsRuntime_fadd,
     [](uint32_t a, uint32_t b) { return bitsOf(asFloat(a) + asFloat(b)); }, additionNaN},
    {"fsub", Operands::AddPair, vsRuntime_fsub,
     [](uint32_t a, uint32_t b) { return bitsOf(asFloat(a) - asFloat(b)); },
     [](uint32_t a, uint32_t b) { return additionNaN(a, b ^ kNegative); }},
    {"fmul", Operands::MulPair, vsRuntime_fmul,
     [](uint32_t a, uint32_t b) { return bitsOf(asFloat(a) * asFloat(b)); },
     [](uint32_t, uint32_t) { return kNaN; }},
    {"fdiv", Operands::DivPair, vsRuntime_fdiv,
     [](uint32_t a, uint32_t b) { return bitsOf(asFloat(a) / asFloat(b)); },
     [](uint32_t, uint32_t) { return kNaN; }},
};

// The result this system must give for (a, b): the host's where that is not
// a NaN, else the NaN of the routine's rule.
inline uint32_t expected(const Routine& routine, uint32_t a, uint32_t b) {
  const uint32_t host = routine.host(a, b);
  return isNaN(host) ? routine.expectedNaN(a, b) : host;
}

}  // namespace softfloat_test
