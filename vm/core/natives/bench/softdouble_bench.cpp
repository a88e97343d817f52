// Timing of the software double and float routines beside libgcc's
// soft-float: ns per dadd, dmul, ddiv, l2d, fadd, fmul and fdiv over a fixed
// set of ordinary operands. Built in the armel tree and run under qemu-arm by
// the bench target; it prints timings only and judges nothing.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "vm/core/natives/soft_double.h"
#include "vm/core/natives/soft_float.h"

namespace {

constexpr int kOperands = 4096;
constexpr int kRounds = 64;

uint64_t gA[kOperands];
uint64_t gB[kOperands];
uint64_t gFloatA[kOperands];  // float bit patterns in the low 32 bits
uint64_t gFloatB[kOperands];
volatile uint64_t gSink;

uint64_t nextRandom(uint64_t* state) {
  uint64_t z = (*state += 0x9E3779B97F4A7C15);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
  return z ^ (z >> 31);
}

// Finite doubles and floats of both signs with magnitudes between 2^-20 and
// 2^20, and longs of every length.
void fillOperands() {
  uint64_t state = 0xBE7C4;
  for (int i = 0; i < kOperands; ++i) {
    const uint64_t exponent = 1003 + nextRandom(&state) % 41;
    gA[i] = (nextRandom(&state) & 0x800FFFFFFFFFFFFF) | (exponent << 52);
    const uint64_t exponentB = 1003 + nextRandom(&state) % 41;
    gB[i] = (nextRandom(&state) & 0x800FFFFFFFFFFFFF) | (exponentB << 52);
    const uint64_t floatExponent = 107 + nextRandom(&state) % 41;
    gFloatA[i] = (nextRandom(&state) & 0x807FFFFF) | (floatExponent << 23);
    const uint64_t floatExponentB = 107 + nextRandom(&state) % 41;
    gFloatB[i] = (nextRandom(&state) & 0x807FFFFF) | (floatExponentB << 23);
  }
}

double nowNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

template <class Op>
double nsPerCall(const uint64_t* as, const uint64_t* bs, Op op) {
  uint64_t sink = 0;
  const double start = nowNs();
  for (int round = 0; round < kRounds; ++round) {
    for (int i = 0; i < kOperands; ++i) {
      sink ^= op(as[i], bs[i]);
    }
  }
  const double elapsed = nowNs() - start;
  gSink = sink;
  return elapsed / (static_cast<double>(kRounds) * kOperands);
}

template <class Op>
double nsPerCall(Op op) {
  return nsPerCall(gA, gB, op);
}

template <class Op>
double nsPerFloatCall(Op op) {
  return nsPerCall(gFloatA, gFloatB, op);
}

double d(uint64_t bits) {
  return std::bit_cast<double>(bits);
}

uint32_t low(uint64_t bits) {
  return static_cast<uint32_t>(bits);
}

float f(uint64_t bits) {
  return std::bit_cast<float>(low(bits));
}

uint64_t bits(double value) {
  return std::bit_cast<uint64_t>(value);
}

uint64_t bits(float value) {
  return std::bit_cast<uint32_t>(value);
}

}  // namespace

int main() {
  fillOperands();
  struct Row {
    const char* name;
    double ours;
    double host;
  };
  const Row rows[] = {
      {"dadd", nsPerCall([](uint64_t a, uint64_t b) { return vsRuntime_dadd(a, b); }),
       nsPerCall([](uint64_t a, uint64_t b) { return bits(d(a) + d(b)); })},
      {"dmul", nsPerCall([](uint64_t a, uint64_t b) { return vsRuntime_dmul(a, b); }),
       nsPerCall([](uint64_t a, uint64_t b) { return bits(d(a) * d(b)); })},
      {"ddiv", nsPerCall([](uint64_t a, uint64_t b) { return vsRuntime_ddiv(a, b); }),
       nsPerCall([](uint64_t a, uint64_t b) { return bits(d(a) / d(b)); })},
      {"l2d", nsPerCall([](uint64_t a, uint64_t) { return vsRuntime_l2d(a); }),
       nsPerCall([](uint64_t a, uint64_t) { return bits(static_cast<double>(static_cast<int64_t>(a))); })},
      {"fadd", nsPerFloatCall([](uint64_t a, uint64_t b) { return vsRuntime_fadd(low(a), low(b)); }),
       nsPerFloatCall([](uint64_t a, uint64_t b) { return bits(f(a) + f(b)); })},
      {"fmul", nsPerFloatCall([](uint64_t a, uint64_t b) { return vsRuntime_fmul(low(a), low(b)); }),
       nsPerFloatCall([](uint64_t a, uint64_t b) { return bits(f(a) * f(b)); })},
      {"fdiv", nsPerFloatCall([](uint64_t a, uint64_t b) { return vsRuntime_fdiv(low(a), low(b)); }),
       nsPerFloatCall([](uint64_t a, uint64_t b) { return bits(f(a) / f(b)); })},
  };
  std::printf("softdouble: ns per call (%d calls each), vsRuntime beside libgcc soft-float\n",
              kRounds * kOperands);
  for (const Row& row : rows) {
    std::printf("  %-5s %8.1f ns   libgcc %8.1f ns\n", row.name, row.ours, row.host);
  }
  return 0;
}
