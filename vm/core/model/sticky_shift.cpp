// Sticky right shifts (see sticky_shift.h).
#include "vm/core/model/sticky_shift.h"

uint64_t vsStickyShift_right64(uint64_t value, uint32_t n) {
  if (n == 0) {
    return value;
  }
  if (n >= 64) {
    return value != 0 ? 1 : 0;
  }
  const uint64_t lost = value << (64 - n);
  return (value >> n) | (lost != 0 ? 1 : 0);
}

uint32_t vsStickyShift_right32(uint32_t value, uint32_t n) {
  if (n == 0) {
    return value;
  }
  if (n >= 32) {
    return value != 0 ? 1 : 0;
  }
  const uint32_t lost = value << (32 - n);
  return (value >> n) | (lost != 0 ? 1 : 0);
}
