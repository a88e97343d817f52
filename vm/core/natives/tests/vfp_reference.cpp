// Double addition and subtraction on the ARM floating-point unit, as a second
// reference where libgcc's soft-float is known to mis-round (see
// soft_double_reference.h). Compiled for VFP with the soft-float calling
// convention, so it links with the rest of the armel build; qemu-arm
// emulates the unit.
#include "vm/core/natives/tests/vfp_reference.h"

#include <bit>

namespace softdouble_test {

uint64_t vfpAdd(uint64_t a, uint64_t b) {
  return std::bit_cast<uint64_t>(std::bit_cast<double>(a) + std::bit_cast<double>(b));
}

uint64_t vfpSubtract(uint64_t a, uint64_t b) {
  return std::bit_cast<uint64_t>(std::bit_cast<double>(a) - std::bit_cast<double>(b));
}

}  // namespace softdouble_test
