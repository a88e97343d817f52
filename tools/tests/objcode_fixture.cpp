// A fixture that objcode_check.py must refuse: double routines that use the
// host's floating point (x86-64: SSE; ARM: libgcc's soft-float calls), a
// multiplication without umull, an entry stub and a Math stub that do more
// than branch.
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

double toDouble(uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

uint64_t toBits(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return bits;
}

}  // namespace

extern "C" {

uint32_t vsRuntime_l2f(uint64_t l);

uint64_t vsRuntime_dadd(uint64_t a, uint64_t b) {
  return toBits(toDouble(a) + toDouble(b));
}

uint64_t vsRuntime_dmul(uint64_t a, uint64_t b) {
  return a ^ b;
}

uint32_t vsRuntime_l2fEntry(uint64_t l) {
  return vsRuntime_l2f(l) + 1;
}

uint64_t vsMath_sin(uint64_t x) {
  return toBits(2 * std::sin(toDouble(x)));
}

}  // extern "C"
