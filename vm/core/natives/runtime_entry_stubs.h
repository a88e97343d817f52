// Entry stubs of the conversion routines for compiled code.
//
// Each stub is a single branch to its routine in soft_double.h, so that the
// code generator has fixed call targets of its own; a stub takes and returns
// exactly what its routine does.
#pragma once

#include <cstdint>

extern "C" {

uint32_t vsRuntime_l2fEntry(uint64_t l);
uint64_t vsRuntime_l2dEntry(uint64_t l);
uint64_t vsRuntime_f2lEntry(uint32_t f);
uint64_t vsRuntime_f2dEntry(uint32_t f);
uint64_t vsRuntime_d2lEntry(uint64_t d);
uint32_t vsRuntime_d2fEntry(uint64_t d);

}  // extern "C"
