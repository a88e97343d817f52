// Software IEEE-754 single-precision arithmetic for the float bytecodes.
//
// The VM's own integer-only routines for fadd, fsub, fmul and fdiv: the
// interpreter calls them beside its handlers and compiled code calls the same
// routines, so a program computes the same bits on x86-64 and on ARM
// processors without a floating-point unit. The float remainder (frem) is
// vsMath_fmodf (math_stubs.h); the conversions are in soft_double.h.
//
// Every operand and result is a bit pattern, never a host float:
//
//   float:  31 | 30 .... 23 | 22 ............... 0
//          sign  biased exp   fraction (hidden 1 when the exponent is
//                             neither 0 nor 0xFF)
//
// Every result that is not a NaN is the correctly rounded IEEE result, round
// to nearest with ties to even, rounded once (results below the normal range
// are shifted into subnormals before that rounding).
//
// NaN results:
//   fadd  returns a NaN operand unchanged, the first when both are NaNs; the
//         sum of two infinities of opposite sign is 0x7FC00000;
//   fsub  is fadd with the sign bit of the second operand flipped, so a NaN
//         second operand comes back with its sign bit flipped;
//   fmul, fdiv  give 0x7FC00000 for any NaN operand, for infinity times zero,
//         zero divided by zero and infinity divided by infinity.
// A zero sum is -0 only when both operands are -0.
#pragma once

#include <cstdint>

extern "C" {

uint32_t vsRuntime_fadd(uint32_t a, uint32_t b);
uint32_t vsRuntime_fsub(uint32_t a, uint32_t b);
uint32_t vsRuntime_fmul(uint32_t a, uint32_t b);
uint32_t vsRuntime_fdiv(uint32_t a, uint32_t b);

}  // extern "C"
