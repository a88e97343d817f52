// Math stubs over libm (see math_stubs.h).
//
// The unary functions come from one list. On soft-float ARM each libm
// function is declared a second time under an integer signature (same
// registers, same symbol), which lets every stub end in a plain tail branch;
// elsewhere a stub moves the bits into the floating-point argument register,
// calls libm and moves the result back.
#include "vm/core/natives/math_stubs.h"

#define VS_MATH_UNARY_FUNCTIONS(X) X(sin) X(cos) X(tan) X(sqrt) X(ceil) X(floor)

#if defined(__arm__) && !defined(__ARM_PCS_VFP)

extern "C" {
#define VS_DECLARE_LIBM(name) uint64_t vsLibm_##name(uint64_t) __asm__(#name);
VS_MATH_UNARY_FUNCTIONS(VS_DECLARE_LIBM)
#undef VS_DECLARE_LIBM
uint64_t vsLibm_fmod(uint64_t, uint64_t) __asm__("fmod");
uint32_t vsLibm_fmodf(uint32_t, uint32_t) __asm__("fmodf");
}

#define VS_DEFINE_STUB(name) \
  uint64_t vsMath_##name(uint64_t x) { return vsLibm_##name(x); }
VS_MATH_UNARY_FUNCTIONS(VS_DEFINE_STUB)
#undef VS_DEFINE_STUB

uint64_t vsMath_fmod(uint64_t x, uint64_t y) {
  return vsLibm_fmod(x, y);
}

uint32_t vsMath_fmodf(uint32_t x, uint32_t y) {
  return vsLibm_fmodf(x, y);
}

#else

#include <bit>
#include <cmath>

#define VS_DEFINE_STUB(name)                                                 \
  uint64_t vsMath_##name(uint64_t x) {                                       \
    return std::bit_cast<uint64_t>(std::name(std::bit_cast<double>(x)));     \
  }
VS_MATH_UNARY_FUNCTIONS(VS_DEFINE_STUB)
#undef VS_DEFINE_STUB

uint64_t vsMath_fmod(uint64_t x, uint64_t y) {
  return std::bit_cast<uint64_t>(std::fmod(std::bit_cast<double>(x), std::bit_cast<double>(y)));
}

uint32_t vsMath_fmodf(uint32_t x, uint32_t y) {
  return std::bit_cast<uint32_t>(std::fmod(std::bit_cast<float>(x), std::bit_cast<float>(y)));
}

#endif
