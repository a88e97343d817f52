// What the float and the double routine tests share: a table of fixed
// expectations checked routine by routine (each failure names the routine
// and its operands in hexadecimal), and the seed of a routine's random run.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

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
