// Math stubs: the double functions of java.lang.Math and the remainder
// bytecodes over the C library's libm.
//
// Operands and results are bit patterns as in soft_double.h. sqrt, ceil,
// floor and fmod are exact in any correct libm; sin, cos and tan are within
// one unit in the last place, as Java's Math allows. vsMath_fmod and
// vsMath_fmodf are Java's % on doubles and floats (drem, frem): the
// truncating remainder.
//
// On 32-bit ARM (soft-float EABI) a double travels in core registers exactly
// like these integers, so each stub is a single branch to its libm function.
#pragma once

#include <cstdint>

extern "C" {

uint64_t vsMath_sin(uint64_t x);
uint64_t vsMath_cos(uint64_t x);
uint64_t vsMath_tan(uint64_t x);
uint64_t vsMath_sqrt(uint64_t x);
uint64_t vsMath_ceil(uint64_t x);
uint64_t vsMath_floor(uint64_t x);
uint64_t vsMath_fmod(uint64_t x, uint64_t y);
uint32_t vsMath_fmodf(uint32_t x, uint32_t y);

}  // extern "C"
