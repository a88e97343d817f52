// The round-trip cases of the decoder tests: deterministic inputs and the
// names of the raw DEFLATE streams that zlib made of them.
//
// The generator (x86-64, linked with zlib) writes one stream file per case;
// the tests of every tree rebuild the input from the case and read the
// stream, so no tree but the host one needs zlib.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class DeflateData : uint8_t { kRandom, kText, kRuns };

// zlib's strategy numbers (Z_DEFAULT_STRATEGY .. Z_FIXED).
enum class DeflateStrategy : uint8_t { kDefault = 0, kFiltered = 1, kHuffmanOnly = 2, kRle = 3, kFixed = 4 };

struct DeflateCase {
  int level;
  DeflateStrategy strategy;
  DeflateData data;
  uint32_t size;
};

// Levels 0-9 with the default strategy, and the other strategies at level 6,
// each over every data kind and the sizes 0, 1, 257, 32768, 65536 and 1 MiB.
std::vector<DeflateCase> deflateCases();

// The input of a case (the same bytes on every target).
std::vector<uint8_t> deflateCaseInput(DeflateData data, uint32_t size);

// File name of the case's stream, without folder.
std::string deflateCaseFileName(const DeflateCase& c);
