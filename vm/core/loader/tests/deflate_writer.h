// A small DEFLATE writer for hand-made test streams: bits LSB first, Huffman
// codes MSB first, canonical codes from code lengths, and dynamic block
// headers whose code lengths go through a fixed code-length code.
#pragma once

#include <cstdint>
#include <vector>

class DeflateWriter {
 public:
  void bits(uint32_t value, int count);
  void code(uint32_t code, int length);  // a Huffman code, first bit = MSB
  void align();                          // to the next byte boundary
  void byte(uint8_t b);

  // Block header: BFINAL then BTYPE.
  void header(bool final, int type) {
    bits(final ? 1 : 0, 1);
    bits(static_cast<uint32_t>(type), 2);
  }
  // A stored block holding `data`, with NLEN given (normally ~LEN).
  void stored(bool final, const std::vector<uint8_t>& data, uint32_t nlen);
  void stored(bool final, const std::vector<uint8_t>& data) {
    stored(final, data, ~static_cast<uint32_t>(data.size()) & 0xFFFF);
  }
  // A fixed-code literal/length symbol (0-287) and a fixed distance code.
  void fixedSymbol(uint32_t symbol);
  void fixedDistance(uint32_t code) { this->code(code, 5); }

  // Header of a dynamic block: HLIT, HDIST, the code-length code, then the
  // lengths (lit then dist) as given in `encoded`: values 0-15 are lengths,
  // 16/17/18 are followed by their repeat count (3-6, 3-10, 11-138).
  void dynamicHeader(bool final, uint32_t hlit, uint32_t hdist,
                     const std::vector<uint32_t>& encoded);
  // A whole dynamic block with these literal/length and distance lengths
  // that codes `symbols`: a literal or 256, or a length symbol followed by
  // its extra-bits value, a distance symbol and its extra-bits value.
  void dynamicBlock(bool final, const std::vector<uint8_t>& lit, const std::vector<uint8_t>& dist,
                    const std::vector<uint32_t>& symbols);
  // Plain lengths, zero runs folded into codes 17 and 18.
  static std::vector<uint32_t> encodeLengths(const std::vector<uint8_t>& lengths);

  std::vector<uint8_t> bytes() const;

 private:
  std::vector<uint8_t> out_;
  uint32_t acc_ = 0;
  int count_ = 0;
};

// Canonical codes (MSB-first values) for a set of code lengths.
std::vector<uint32_t> canonicalCodes(const std::vector<uint8_t>& lengths);
