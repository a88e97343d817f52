// Software IEEE-754 double arithmetic and Java's numeric conversions.
//
// The VM's own integer-only routines for the double and conversion bytecodes:
// the interpreter calls them on every build and compiled code calls them
// through the entry stubs, so a program computes the same bits on x86-64 and
// on ARM processors without a floating-point unit.
//
// Every operand and result is a bit pattern, never a host float or double:
//
//   double, long   uint64_t   (the low 32 bits are the low word on the stack)
//   float          uint32_t
//   int            int32_t
//
//   double:  63 | 62 ........ 52 | 51 ..................... 0
//           sign  biased exponent   fraction (hidden 1 when the exponent
//                                   is neither 0 nor 0x7FF)
//
// On 32-bit ARM (soft-float EABI) a uint64_t argument travels in a register
// pair, low word first, and the result comes back in r0:r1.
//
// Results are the correctly rounded IEEE results, round to nearest with ties
// to even, subnormal operands and results included. The only NaN that dadd,
// dsub, dmul and ddiv produce is 0x7FF8000000000000; d2f of a NaN gives
// 0x7FC00000. The conversions to int and long follow Java: truncation toward
// zero, NaN gives 0, out-of-range values saturate.
#pragma once

#include <cstdint>

extern "C" {

uint64_t vsRuntime_dadd(uint64_t a, uint64_t b);
uint64_t vsRuntime_dsub(uint64_t a, uint64_t b);
uint64_t vsRuntime_dmul(uint64_t a, uint64_t b);
uint64_t vsRuntime_ddiv(uint64_t a, uint64_t b);
// Flips the sign bit of any operand, zeros and NaNs included.
uint64_t vsRuntime_dneg(uint64_t a);

// -1, 0 or 1 for a < b, a == b, a > b; +0 equals -0. An unordered pair (a
// NaN on either side) gives -1 from dcmpl and 1 from dcmpg.
int32_t vsRuntime_dcmpl(uint64_t a, uint64_t b);
int32_t vsRuntime_dcmpg(uint64_t a, uint64_t b);

uint64_t vsRuntime_i2d(int32_t i);
uint32_t vsRuntime_i2f(int32_t i);
uint64_t vsRuntime_l2d(uint64_t l);
uint32_t vsRuntime_l2f(uint64_t l);
uint64_t vsRuntime_f2d(uint32_t f);
uint32_t vsRuntime_d2f(uint64_t d);
int32_t vsRuntime_f2i(uint32_t f);
int32_t vsRuntime_d2i(uint64_t d);
uint64_t vsRuntime_f2l(uint32_t f);
uint64_t vsRuntime_d2l(uint64_t d);

}  // extern "C"
