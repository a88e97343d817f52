#include "vm/core/loader/tests/deflate_cases.h"

#include <cstdio>

namespace {

constexpr uint32_t kSizes[] = {0, 1, 257, 32768, 65536, 1u << 20};
constexpr DeflateData kData[] = {DeflateData::kRandom, DeflateData::kText, DeflateData::kRuns};

// xorshift32: the same sequence on every target.
struct Rng {
  uint32_t s;
  uint32_t next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
};

}  // namespace

std::vector<DeflateCase> deflateCases() {
  std::vector<DeflateCase> cases;
  auto add = [&](int level, DeflateStrategy strategy) {
    for (DeflateData d : kData)
      for (uint32_t size : kSizes) cases.push_back({level, strategy, d, size});
  };
  for (int level = 0; level <= 9; ++level) add(level, DeflateStrategy::kDefault);
  for (DeflateStrategy s : {DeflateStrategy::kFiltered, DeflateStrategy::kHuffmanOnly,
                            DeflateStrategy::kRle, DeflateStrategy::kFixed})
    add(6, s);
  return cases;
}

std::vector<uint8_t> deflateCaseInput(DeflateData data, uint32_t size) {
  static const char* const kWords[] = {"class ", "java/lang/Object ", "public ", "static ",
                                       "void ",  "main ",             "(",       ")V\n",
                                       "int ",   "return ",           "{ ",      "} ",
                                       "the ",   "MIDlet-Name: ",     "0123 ",   "\t"};
  std::vector<uint8_t> out;
  out.reserve(size);
  Rng rng{0x9E3779B9u ^ (static_cast<uint32_t>(data) * 0x85EBCA6Bu) ^ size};
  while (out.size() < size) {
    switch (data) {
      case DeflateData::kRandom:
        out.push_back(static_cast<uint8_t>(rng.next() >> 24));
        break;
      case DeflateData::kText:
        for (const char* w = kWords[rng.next() >> 28]; *w && out.size() < size; ++w)
          out.push_back(static_cast<uint8_t>(*w));
        break;
      case DeflateData::kRuns: {
        const uint32_t r = rng.next();
        const uint32_t run = 1 + (r & 511);
        for (uint32_t i = 0; i < run && out.size() < size; ++i)
          out.push_back(static_cast<uint8_t>(r >> 24));
        break;
      }
    }
  }
  return out;
}

std::string deflateCaseFileName(const DeflateCase& c) {
  static const char* const kDataNames[] = {"random", "text", "runs"};
  char name[64];
  std::snprintf(name, sizeof name, "L%d_S%d_%s_%u.deflate", c.level,
                static_cast<int>(c.strategy), kDataNames[static_cast<int>(c.data)], c.size);
  return name;
}
