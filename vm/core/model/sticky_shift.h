// Sticky right shifts: logical right shifts that remember whether any 1 bit
// was shifted out.
//
// The software floating point shifts significands right before rounding; a
// rounding decision needs to know not only the bits kept but whether anything
// non-zero fell off below them. These shifts fold every lost 1 bit into bit 0
// of the result (the sticky bit), so the rounding step sees "more than half"
// apart from "exactly half".
//
//   value  1011 0110,  n = 3   ->   0001 0110 | 1   (110 lost, non-zero)
//
// Any count is allowed: 0 returns the value unchanged; a count of the width or
// more returns 1 when the value was non-zero and 0 otherwise. No count ever
// reaches a C shift of the full width.
#pragma once

#include <cstdint>

uint64_t vsStickyShift_right64(uint64_t value, uint32_t n);
uint32_t vsStickyShift_right32(uint32_t value, uint32_t n);
