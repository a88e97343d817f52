// What the tests of the software floating point share: a small random
// generator for operands and the check that the host's own floating point,
// the reference, rounds to nearest and keeps subnormals.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#if defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace float_test_support {

// splitmix64: small, fast, and good enough to spread operands.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}

  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
  }

  // Uniform in [0, n).
  uint32_t below(uint32_t n) { return static_cast<uint32_t>(((next() >> 32) * n) >> 32); }

  // Uniform in [low, high].
  int32_t between(int32_t low, int32_t high) {
    return low + static_cast<int32_t>(below(static_cast<uint32_t>(high - low + 1)));
  }

  // The sign bit of a double, set or clear.
  uint64_t sign() { return (next() & 1) != 0 ? 0x8000000000000000 : 0; }

 private:
  uint64_t state_;
};

// The host must round to nearest and keep subnormals (x86-64: MXCSR rounding
// control 00, flush-to-zero and denormals-are-zero clear); empty when it does.
inline std::string hostRoundingProblem() {
#if defined(__x86_64__)
  const unsigned csr = _mm_getcsr();
  if ((csr & 0x6000) != 0 || (csr & 0x8000) != 0 || (csr & 0x0040) != 0) {
    char text[64];
    std::snprintf(text, sizeof text, "MXCSR 0x%04X is not round-to-nearest with subnormals", csr);
    return text;
  }
#endif
  return {};
}

}  // namespace float_test_support
