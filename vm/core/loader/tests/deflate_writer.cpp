#include "vm/core/loader/tests/deflate_writer.h"

#include <cstdlib>

void DeflateWriter::bits(uint32_t value, int count) {
  for (int i = 0; i < count; ++i) {
    acc_ |= ((value >> i) & 1) << count_;
    if (++count_ == 8) {
      out_.push_back(static_cast<uint8_t>(acc_));
      acc_ = 0;
      count_ = 0;
    }
  }
}

void DeflateWriter::code(uint32_t code, int length) {
  for (int i = length - 1; i >= 0; --i) bits((code >> i) & 1, 1);
}

void DeflateWriter::align() {
  if (count_ != 0) bits(0, 8 - count_);
}

void DeflateWriter::byte(uint8_t b) {
  align();
  out_.push_back(b);
}

void DeflateWriter::stored(bool final, const std::vector<uint8_t>& data, uint32_t nlen) {
  header(final, 0);
  align();
  bits(static_cast<uint32_t>(data.size()), 16);
  bits(nlen, 16);
  for (uint8_t b : data) out_.push_back(b);
}

void DeflateWriter::fixedSymbol(uint32_t s) {
  if (s < 144)
    code(0x30 + s, 8);
  else if (s < 256)
    code(0x190 + (s - 144), 9);
  else if (s < 280)
    code(s - 256, 7);
  else
    code(0xC0 + (s - 280), 8);
}

namespace {

// The code-length code of dynamicHeader: symbols 0-12 of 4 bits, 13-18 of
// 5 bits (a complete code).
std::vector<uint8_t> codeLengthLengths() {
  std::vector<uint8_t> l(19);
  for (int s = 0; s < 19; ++s) l[s] = s < 13 ? 4 : 5;
  return l;
}

constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

}  // namespace

std::vector<uint32_t> canonicalCodes(const std::vector<uint8_t>& lengths) {
  uint32_t count[16] = {};
  for (uint8_t l : lengths) ++count[l];
  count[0] = 0;
  uint32_t next[16] = {};
  uint32_t c = 0;
  for (int l = 1; l < 16; ++l) {
    c = (c + count[l - 1]) << 1;
    next[l] = c;
  }
  std::vector<uint32_t> codes(lengths.size());
  for (size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  return codes;
}

void DeflateWriter::dynamicHeader(bool final, uint32_t hlit, uint32_t hdist,
                                  const std::vector<uint32_t>& encoded) {
  header(final, 2);
  bits(hlit - 257, 5);
  bits(hdist - 1, 5);
  bits(19 - 4, 4);
  const std::vector<uint8_t> cl = codeLengthLengths();
  for (uint8_t s : kOrder) bits(cl[s], 3);
  const std::vector<uint32_t> codes = canonicalCodes(cl);
  for (size_t i = 0; i < encoded.size(); ++i) {
    const uint32_t s = encoded[i];
    code(codes[s], cl[s]);
    if (s >= 16) {
      const uint32_t n = encoded[++i];
      if (s == 16) bits(n - 3, 2);
      if (s == 17) bits(n - 3, 3);
      if (s == 18) bits(n - 11, 7);
    }
  }
}

void DeflateWriter::dynamicBlock(bool final, const std::vector<uint8_t>& lit,
                                 const std::vector<uint8_t>& dist,
                                 const std::vector<uint32_t>& symbols) {
  static constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                               2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  std::vector<uint8_t> all = lit;
  all.insert(all.end(), dist.begin(), dist.end());
  dynamicHeader(final, static_cast<uint32_t>(lit.size()), static_cast<uint32_t>(dist.size()),
                encodeLengths(all));
  const std::vector<uint32_t> litCodes = canonicalCodes(lit);
  const std::vector<uint32_t> distCodes = canonicalCodes(dist);
  for (size_t i = 0; i < symbols.size(); ++i) {
    const uint32_t s = symbols[i];
    code(litCodes[s], lit[s]);
    if (s > 256) {
      const uint32_t d = symbols[i + 2];
      bits(symbols[i + 1], kLengthExtra[s - 257]);
      code(distCodes[d], dist[d]);
      bits(symbols[i + 3], d < 4 ? 0 : static_cast<int>(d - 2) / 2);
      i += 3;
    }
  }
}

std::vector<uint32_t> DeflateWriter::encodeLengths(const std::vector<uint8_t>& lengths) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < lengths.size();) {
    size_t run = 0;
    while (i + run < lengths.size() && lengths[i + run] == 0 && run < 138) ++run;
    if (run >= 11) {
      out.insert(out.end(), {18, static_cast<uint32_t>(run)});
      i += run;
    } else if (run >= 3) {
      out.insert(out.end(), {17, static_cast<uint32_t>(run)});
      i += run;
    } else {
      out.push_back(lengths[i++]);
    }
  }
  return out;
}

std::vector<uint8_t> DeflateWriter::bytes() const {
  std::vector<uint8_t> r = out_;
  if (count_ != 0) r.push_back(static_cast<uint8_t>(acc_));
  return r;
}
