// The one DEFLATE decoder of the VM (RFC 1951 raw streams: no zlib or gzip
// header, no checksum; the caller checks the CRC).
//
// VsInflaterCore holds the whole decoding logic once. The two decoders of the
// VM are instances of it that differ only in where bytes come from, where they
// go and where the Huffman tables live:
//
//   class path (inflater.cpp)     input: a Java byte array (data re-read,
//                                 VsInflaterBufferInput)
//                                 output: a Java byte array in a GC handle
//                                 tables: Java short arrays in GC handles
//   descriptors (jar_inflater.cpp) input: a byte callback
//                                 output: plain memory
//                                 tables: an allocator environment
//
// Policy types (all members inline, called on the VM thread):
//   Input   bool fetch(uint32_t& byte)   next byte; false past the end
//           bool copy(uint8_t* to, uint32_t n)  n bytes of real input
//           bool consumedExactly(uint32_t readAhead)
//           void refresh()               re-read addresses after allocation
//   Output  uint8_t* refresh()           current address of the output bytes
//   Tables  uint16_t* allocate(VsInflaterTable, uint32_t words)  zeroed, or null
//           uint16_t* words(VsInflaterTable)  current address of a table
//           void release(VsInflaterTable)
//
// Every input is hostile. The input reads at most its length plus four zero
// bytes of read-ahead (the bit buffer may look past the last symbol); every
// byte fetch is bounded, and a fetch past that fails the call. The output is
// written only below its exact length, a back reference only reads what was
// written. A code whose lengths are over-subscribed (Kraft sum above 1) is
// refused; an incomplete one is accepted and a missing code fails when met.
//
// Huffman table: 16-bit words
//
//   [0] R root bits   [1] M longest code   [2 .. 2 + 2^R) root entries
//   then n second-level tables of 2^(M - R) entries each
//
// An entry is 0 (no code), (symbol << 4) | length, or 0x8000 | the byte
// offset (from word 0) of a second-level table. Symbols stay below 2048, so a
// direct entry never has bit 15 set. Second-level tables are handed out in
// the order their root slots are first met; canonical codes are contiguous,
// so a literal code (at most 288 codes, two per root slot at the least)
// never reaches more than 144 of them and every offset stays below 2^15.
#pragma once

#include <cstdint>
#include <cstring>

enum class VsInflaterTable : uint8_t { kCodeLengths, kLiterals, kDistances };

inline constexpr uint8_t kVsInflaterReverse5[32] = {
    0, 16, 8, 24, 4, 20, 12, 28, 2, 18, 10, 26, 6, 22, 14, 30,
    1, 17, 9, 25, 5, 21, 13, 29, 3, 19, 11, 27, 7, 23, 15, 31};

// The 15-bit value v with its bit order reversed.
constexpr uint32_t vsInflater_reverse15(uint32_t v) {
  return (uint32_t{kVsInflaterReverse5[v & 31]} << 10) |
         (uint32_t{kVsInflaterReverse5[(v >> 5) & 31]} << 5) | kVsInflaterReverse5[(v >> 10) & 31];
}

namespace vs_inflater {

// Length symbols 257..285 and distance symbols 0..29 (RFC 1951, 3.2.5).
inline constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10,  11,  13,
                                             15, 17, 19, 23, 27, 31, 35, 43,  51,  59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                             2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                               6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// Order in which the code-length code lengths are sent.
inline constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                 11, 4,  12, 3, 13, 2, 14, 1, 15};

consteval bool basesFollowExtraBits() {
  for (int i = 0; i + 1 < 28; ++i)  // 284 + its 5 bits would reach 258; 285 stands alone
    if (kLengthBase[i + 1] != kLengthBase[i] + (1 << kLengthExtra[i])) return false;
  for (int i = 0; i + 1 < 30; ++i)
    if (kDistanceBase[i + 1] != kDistanceBase[i] + (1 << kDistanceExtra[i])) return false;
  return kDistanceBase[29] + (1 << kDistanceExtra[29]) - 1 == 32768;
}
static_assert(basesFollowExtraBits(), "length and distance tables of RFC 1951");
static_assert(vsInflater_reverse15(1) == 0x4000 && vsInflater_reverse15(0x4000) == 1 &&
              vsInflater_reverse15(3) == 0x6000 && vsInflater_reverse15(0x7FFF) == 0x7FFF);

inline constexpr uint32_t kMaxBits = 15;
inline constexpr uint32_t kLengthArraySize = 318;  // HLIT + HDIST may not exceed it
inline constexpr uint32_t kLiteralRootBits = 9;
inline constexpr uint32_t kDistanceRootBits = 6;
inline constexpr uint32_t kCodeLengthRootBits = 6;
inline constexpr uint32_t kReadAhead = 4;  // zero bytes the input supplies past its end

}  // namespace vs_inflater

// The Input policy over one buffer: `length` bytes of real input followed by
// kReadAhead zero bytes. The buffer may move whenever a table is allocated,
// so refresh() asks `locate` (a callable returning const uint8_t*) for its
// current address.
template <class Locate>
class VsInflaterBufferInput {
 public:
  VsInflaterBufferInput(Locate locate, uint32_t length) : locate_(locate), length_(length) {}
  bool fetch(uint32_t& byte) {
    if (pos_ == length_ + vs_inflater::kReadAhead) return false;
    byte = data_[pos_++];
    return true;
  }
  bool copy(uint8_t* to, uint32_t n) {
    if (pos_ > length_ || length_ - pos_ < n) return false;
    for (uint32_t i = 0; i < n; ++i) to[i] = data_[pos_ + i];
    pos_ += n;
    return true;
  }
  bool consumedExactly(uint32_t readAhead) const { return pos_ - readAhead == length_; }
  void refresh() { data_ = locate_(); }

 private:
  Locate locate_;
  const uint8_t* data_ = nullptr;
  uint32_t pos_ = 0;
  const uint32_t length_;
};

template <class Input, class Output, class Tables>
class VsInflaterCore {
 public:
  VsInflaterCore(Input& input, Output& output, Tables& tables, uint32_t outputLength)
      : input_(input), output_(output), tables_(tables), outLength_(outputLength) {}

  // Decodes the whole stream: 1 when it ended with a final block, consumed
  // the input exactly and filled the output exactly; 0 otherwise.
  int32_t inflate() {
    for (;;) {
      input_.refresh();
      out_ = output_.refresh();
      if (!need(3)) return 0;
      const uint32_t header = take(3);
      bool ok;
      switch (header >> 1) {
        case 0: ok = storedBlock(); break;
        case 1: ok = huffmanBlock<true>(); break;
        case 2: ok = dynamicBlock(); break;
        default: return 0;  // block type 3
      }
      if (!ok) return 0;
      if (header & 1) break;
    }
    return input_.consumedExactly(bitCount_ / 8) && outPos_ == outLength_ ? 1 : 0;
  }

  // Builds the table of `count` code lengths into `which`, asking for
  // `rootBits` root bits. Null when every length is 0, when the lengths are
  // over-subscribed or when the table cannot be allocated.
  uint16_t* buildTable(VsInflaterTable which, const uint8_t* lengths, uint32_t count,
                       uint32_t rootBits) {
    using namespace vs_inflater;
    uint32_t lengthCount[kMaxBits + 1] = {};
    for (uint32_t s = 0; s < count; ++s) ++lengthCount[lengths[s]];
    uint32_t longest = 0;
    for (uint32_t l = 1; l <= kMaxBits; ++l)
      if (lengthCount[l]) longest = l;
    if (longest == 0) return nullptr;
    // next[l]: first code of length l, left-aligned in 15 bits. Their sum
    // must not pass 2^15 (Kraft's inequality).
    uint32_t next[kMaxBits + 2];
    next[1] = 0;
    for (uint32_t l = 1; l <= kMaxBits; ++l) {
      next[l + 1] = next[l] + (lengthCount[l] << (kMaxBits - l));
      if (next[l + 1] > (1u << kMaxBits)) return nullptr;
    }
    uint32_t root = rootBits;
    uint32_t subTables = 0;
    if (longest > root) {
      // Root slots left to the codes longer than R (all of them for a
      // complete code; an incomplete one uses fewer).
      subTables = ((1u << kMaxBits) - next[root + 1]) >> (kMaxBits - root);
    } else {
      root = longest;
    }
    const uint32_t subSize = 1u << (longest - root);
    const uint32_t rootSize = 1u << root;
    const uint32_t words = 2 + rootSize + subTables * subSize;
    uint16_t* t = tables_.allocate(which, words);
    if (t == nullptr) return nullptr;
    t[0] = static_cast<uint16_t>(root);
    t[1] = static_cast<uint16_t>(longest);
    uint32_t nextSub = 2 + rootSize;
    for (uint32_t s = 0; s < count; ++s) {
      const uint32_t l = lengths[s];
      if (l == 0) continue;
      const uint32_t code = next[l];
      next[l] += 1u << (kMaxBits - l);
      const uint32_t r = vsInflater_reverse15(code);
      const uint16_t entry = static_cast<uint16_t>((s << 4) | l);
      if (l <= root) {
        for (uint32_t i = r; i < rootSize; i += 1u << l) t[2 + i] = entry;
        continue;
      }
      uint16_t& link = t[2 + (r & (rootSize - 1))];
      if (link == 0) {
        // Neither can fail for a set within Kraft's inequality.
        if (nextSub + subSize > words || nextSub * 2 > 0x7FFF) return nullptr;
        link = static_cast<uint16_t>(0x8000 | (nextSub * 2));
        nextSub += subSize;
      } else if ((link & 0x8000) == 0) {
        return nullptr;  // a shorter code owns the slot
      }
      uint16_t* sub = t + (link & 0x7FFF) / 2;
      for (uint32_t i = r >> root; i < subSize; i += 1u << (l - root)) sub[i] = entry;
    }
    return t;
  }

 private:
  // Ensures at least n bits in the buffer (n <= 32, whole bytes added).
  bool need(uint32_t n) {
    while (bitCount_ < n) {
      uint32_t byte;
      if (!input_.fetch(byte)) return false;
      bits_ |= byte << bitCount_;
      bitCount_ += 8;
    }
    return true;
  }
  uint32_t take(uint32_t n) {
    const uint32_t v = bits_ & ((1u << n) - 1);
    bits_ >>= n;
    bitCount_ -= n;
    return v;
  }

  bool storedBlock() {
    take(bitCount_ & 7);
    if (!need(32)) return false;
    const uint32_t len = bits_ & 0xFFFF;
    const uint32_t nlen = bits_ >> 16;
    bits_ = 0;
    bitCount_ = 0;
    if (len + nlen != 0xFFFF || outLength_ - outPos_ < len) return false;
    if (!input_.copy(out_ + outPos_, len)) return false;
    outPos_ += len;
    return true;
  }

  bool dynamicBlock() {
    if (!readDynamicTables()) {
      release();
      return false;
    }
    input_.refresh();
    out_ = output_.refresh();
    const bool ok = huffmanBlock<false>();
    tables_.release(VsInflaterTable::kLiterals);
    tables_.release(VsInflaterTable::kDistances);
    return ok;
  }

  void release() {
    tables_.release(VsInflaterTable::kCodeLengths);
    tables_.release(VsInflaterTable::kLiterals);
    tables_.release(VsInflaterTable::kDistances);
  }

  // Next symbol of a table-driven code; the buffer holds enough bits.
  bool decode(const uint16_t* t, uint32_t& symbol) {
    uint32_t entry = t[2 + (bits_ & ((1u << t[0]) - 1))];
    if (entry & 0x8000) entry = t[(entry & 0x7FFF) / 2 + ((bits_ & ((1u << t[1]) - 1)) >> t[0])];
    if (entry == 0) return false;
    take(entry & 15);
    symbol = entry >> 4;
    return true;
  }

  // The fixed literal/length code, read without a table (9 bits buffered).
  uint32_t fixedLiteral() {
    const uint32_t v = (uint32_t{kVsInflaterReverse5[bits_ & 31]} << 4) |
                       kVsInflaterReverse5[(bits_ >> 4) & 31];
    if (v < 96) {
      take(7);
      return 256 + (v >> 2);
    }
    if (v < 400) {
      take(8);
      return v < 384 ? (v >> 1) - 48 : (v >> 1) + 88;
    }
    take(9);
    return v - 256;
  }

  template <bool kFixed>
  bool huffmanBlock() {
    using namespace vs_inflater;
    const uint16_t* literals = kFixed ? nullptr : tables_.words(VsInflaterTable::kLiterals);
    const uint16_t* distances = kFixed ? nullptr : tables_.words(VsInflaterTable::kDistances);
    uint8_t* const out = out_;
    uint32_t pos = outPos_;
    const uint32_t end = outLength_;
    for (;;) {
      if (!need(20)) break;
      uint32_t symbol;
      if constexpr (kFixed) {
        symbol = fixedLiteral();
      } else if (!decode(literals, symbol)) {
        break;
      }
      if (symbol < 256) {
        if (pos == end) break;
        out[pos++] = static_cast<uint8_t>(symbol);
        continue;
      }
      if (symbol == 256) {
        outPos_ = pos;
        return true;
      }
      symbol -= 257;
      if (symbol >= 29) break;
      const uint32_t length = kLengthBase[symbol] + take(kLengthExtra[symbol]);
      if (!need(15)) break;
      uint32_t d;
      if constexpr (kFixed) {
        d = kVsInflaterReverse5[take(5)];
      } else if (!decode(distances, d)) {
        break;
      }
      if (d >= 30 || !need(13)) break;
      const uint32_t distance = kDistanceBase[d] + take(kDistanceExtra[d]);
      if (distance > pos || end - pos < length) break;
      const uint8_t* from = out + pos - distance;
      uint8_t* to = out + pos;
      for (uint32_t i = 0; i < length; ++i) to[i] = from[i];
      pos += length;
    }
    outPos_ = pos;
    return false;
  }

  bool readDynamicTables() {
    using namespace vs_inflater;
    if (!need(14)) return false;
    const uint32_t hlit = take(5) + 257;
    const uint32_t hdist = take(5) + 1;
    const uint32_t hclen = take(4) + 4;
    if (hlit + hdist > kLengthArraySize) return false;
    uint8_t lengths[kLengthArraySize] = {};
    for (uint32_t i = 0; i < hclen; ++i) {
      if (!need(3)) return false;
      lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(take(3));
    }
    if (buildTable(VsInflaterTable::kCodeLengths, lengths, 19, kCodeLengthRootBits) == nullptr)
      return false;
    // The table's allocation may have moved the input.
    input_.refresh();
    const uint16_t* codeLengths = tables_.words(VsInflaterTable::kCodeLengths);
    std::memset(lengths, 0, sizeof lengths);
    const uint32_t total = hlit + hdist;
    uint32_t n = 0;
    while (n < total) {
      uint32_t symbol;
      if (!need(22) || !decode(codeLengths, symbol)) return false;
      if (symbol < 16) {
        lengths[n++] = static_cast<uint8_t>(symbol);
        continue;
      }
      uint32_t repeat;
      uint8_t value = 0;
      if (symbol == 16) {
        if (n == 0) return false;
        value = lengths[n - 1];
        repeat = 3 + take(2);
      } else if (symbol == 17) {
        repeat = 3 + take(3);
      } else if (symbol == 18) {
        repeat = 11 + take(7);
      } else {
        return false;
      }
      if (total - n < repeat) return false;
      while (repeat--) lengths[n++] = value;
    }
    tables_.release(VsInflaterTable::kCodeLengths);
    if (buildTable(VsInflaterTable::kLiterals, lengths, hlit, kLiteralRootBits) == nullptr)
      return false;
    return buildTable(VsInflaterTable::kDistances, lengths + hlit, hdist, kDistanceRootBits) !=
           nullptr;
  }

  Input& input_;
  Output& output_;
  Tables& tables_;
  uint8_t* out_ = nullptr;
  uint32_t outPos_ = 0;
  const uint32_t outLength_;
  uint32_t bits_ = 0;
  uint32_t bitCount_ = 0;
};
