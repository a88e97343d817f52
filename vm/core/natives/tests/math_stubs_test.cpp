// The Math stubs against StrictMath on HotSpot: a file of reference results
// written by MathVectors.java in the host tree (the armel tree reads the host
// tree's file). sqrt, ceil, floor and the remainders must match bit for bit;
// sin, cos and tan may be one unit in the last place away, are exact on
// zeros and give NaN for NaN and the infinities.
#include "vm/core/natives/math_stubs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#ifndef VS_MATH_VECTORS_FILE
#error "VS_MATH_VECTORS_FILE must name the reference file"
#endif

namespace {

struct Record {
  uint64_t x;
  uint64_t y;
  uint64_t sin;
  uint64_t cos;
  uint64_t tan;
  uint64_t sqrt;
  uint64_t ceil;
  uint64_t floor;
  uint64_t remainder;
  uint32_t fx;
  uint32_t fy;
  uint32_t floatRemainder;
};

constexpr size_t kRecordBytes = 9 * 8 + 3 * 4;
constexpr size_t kHeaderBytes = 12;
constexpr uint32_t kExpectedRecords = 100000;

class BigEndianReader {
 public:
  explicit BigEndianReader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}
  uint64_t u64() { return (uint64_t{u32()} << 32) | u32(); }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      v = (v << 8) | bytes_.at(position_++);
    }
    return v;
  }

 private:
  const std::vector<unsigned char>& bytes_;
  size_t position_ = 0;
};

// The records of the reference file, or an explanation of why there are none.
std::vector<Record> loadRecords(std::string* problem) {
  const char* path = VS_MATH_VECTORS_FILE;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), std::fclose);
  if (!file) {
    *problem = std::string("cannot open ") + path + " (built by the host tree)";
    return {};
  }
  std::vector<unsigned char> bytes;
  unsigned char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  if (bytes.size() < kHeaderBytes || std::string(bytes.begin(), bytes.begin() + 4) != "VSMV") {
    *problem = std::string(path) + " is not a vector file";
    return {};
  }
  BigEndianReader in(bytes);
  in.u32();
  const uint32_t version = in.u32();
  const uint32_t count = in.u32();
  if (version != 1 || bytes.size() != kHeaderBytes + uint64_t{count} * kRecordBytes) {
    *problem = std::string(path) + ": unexpected version or size";
    return {};
  }
  std::vector<Record> records(count);
  for (Record& r : records) {
    r.x = in.u64();
    r.y = in.u64();
    r.sin = in.u64();
    r.cos = in.u64();
    r.tan = in.u64();
    r.sqrt = in.u64();
    r.ceil = in.u64();
    r.floor = in.u64();
    r.remainder = in.u64();
    r.fx = in.u32();
    r.fy = in.u32();
    r.floatRemainder = in.u32();
  }
  return records;
}

const std::vector<Record>& records() {
  static std::string problem;
  static const std::vector<Record> loaded = loadRecords(&problem);
  EXPECT_EQ(problem, "");
  return loaded;
}

bool isNaN(uint64_t d) {
  return (d & 0x7FFFFFFFFFFFFFFF) > 0x7FF0000000000000;
}
bool isFloatNaN(uint32_t f) {
  return (f & 0x7FFFFFFF) > 0x7F800000;
}
bool isZero(uint64_t d) {
  return (d & 0x7FFFFFFFFFFFFFFF) == 0;
}
bool isInfinite(uint64_t d) {
  return (d & 0x7FFFFFFFFFFFFFFF) == 0x7FF0000000000000;
}

// Java cannot tell NaNs apart: a NaN matches any NaN.
bool exact(uint64_t ours, uint64_t expected) {
  return isNaN(expected) ? isNaN(ours) : ours == expected;
}

// Within one unit in the last place: the same sign and bit patterns at most
// one apart; exact on zeros; NaN for NaN and the infinities.
bool withinOneUlp(uint64_t x, uint64_t ours, uint64_t expected) {
  if (isNaN(x) || isInfinite(x)) {
    return isNaN(ours) && isNaN(expected);
  }
  if (isZero(x)) {
    return ours == expected;
  }
  if ((ours ^ expected) >> 63 != 0) {
    return false;
  }
  return (ours > expected ? ours - expected : expected - ours) <= 1;
}

TEST(MathStubs, ReferenceFileIsComplete) {
  EXPECT_EQ(records().size(), kExpectedRecords);
}

TEST(MathStubs, SqrtCeilFloorAndRemaindersAreExact) {
  for (const Record& r : records()) {
    EXPECT_PRED2(exact, vsMath_sqrt(r.x), r.sqrt) << std::hex << "sqrt 0x" << r.x;
    EXPECT_PRED2(exact, vsMath_ceil(r.x), r.ceil) << std::hex << "ceil 0x" << r.x;
    EXPECT_PRED2(exact, vsMath_floor(r.x), r.floor) << std::hex << "floor 0x" << r.x;
    EXPECT_PRED2(exact, vsMath_fmod(r.x, r.y), r.remainder)
        << std::hex << "fmod 0x" << r.x << " 0x" << r.y;
    const uint32_t floatRemainder = vsMath_fmodf(r.fx, r.fy);
    EXPECT_TRUE(isFloatNaN(r.floatRemainder) ? isFloatNaN(floatRemainder)
                                             : floatRemainder == r.floatRemainder)
        << std::hex << "fmodf 0x" << r.fx << " 0x" << r.fy << " = 0x" << floatRemainder
        << ", expected 0x" << r.floatRemainder;
  }
}

TEST(MathStubs, SinCosTanWithinOneUlp) {
  for (const Record& r : records()) {
    EXPECT_PRED3(withinOneUlp, r.x, vsMath_sin(r.x), r.sin) << std::hex << "sin 0x" << r.x;
    EXPECT_PRED3(withinOneUlp, r.x, vsMath_cos(r.x), r.cos) << std::hex << "cos 0x" << r.x;
    EXPECT_PRED3(withinOneUlp, r.x, vsMath_tan(r.x), r.tan) << std::hex << "tan 0x" << r.x;
  }
}

TEST(MathStubs, SinOfTenToTheTwentyTwo) {
  // sin(1e22) = -0.8522008497671888
  EXPECT_EQ(vsMath_sin(0x4480F0CF064DD592), 0xBFEB453AB76BF397u);
}

}  // namespace
