// Builds ZIP archives in memory for the reader tests: stored entries, or
// deflated ones coded with the fixed Huffman code, with any field spoiled on
// request.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZipEntry {
  std::string name;
  std::vector<uint8_t> data;
  bool deflate = false;
  uint32_t crcXor = 0;  // spoils the directory's CRC
};

std::vector<uint8_t> buildZip(const std::vector<ZipEntry>& entries);
