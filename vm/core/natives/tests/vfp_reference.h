// Double addition and subtraction on the ARM floating-point unit (armel
// tests only; see vfp_reference.cpp).
#pragma once

#include <cstdint>

namespace softdouble_test {

uint64_t vfpAdd(uint64_t a, uint64_t b);
uint64_t vfpSubtract(uint64_t a, uint64_t b);

}  // namespace softdouble_test
