// Both decoders against zlib's streams, the edge cases of the format and the
// hostile streams that once reached outside the decoder's buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/core/heap_boot.h"
#include "vm/core/loader/inflater_core.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/loader/tests/deflate_cases.h"
#include "vm/core/loader/tests/deflate_writer.h"
#include "vm/core/loader/tests/inflater_decoders.h"

namespace {

const InflaterDecoder kDecoders[] = {
    {"descriptor", decodeWithJarInflater},
    {"classpath", decodeWithClassPathInflater},
};

std::string decoderName(const testing::TestParamInfo<InflaterDecoder>& info) {
  return info.param.name;
}

}  // namespace

void PrintTo(const InflaterDecoder& d, std::ostream* os) { *os << d.name; }

namespace {

// The class-path decoder needs a heap that holds a 1 MiB output and its
// input; the descriptor decoder does not mind it.
class Inflater : public testing::TestWithParam<InflaterDecoder> {
 protected:
  void SetUp() override { ASSERT_TRUE(vsTestHeap_boot(kHeapBytes, kHeapBytes)); }
  void TearDown() override { vsTestHeap_shutdown(); }
  static constexpr uint32_t kHeapBytes = 8u << 20;

  DecodeResult decode(const std::vector<uint8_t>& stream, uint32_t outputLength) {
    DecodeResult r = GetParam().decode(stream, outputLength);
    EXPECT_LE(r.bytesRequested, stream.size()) << "read past the input";
    EXPECT_EQ(r.tablesLeft, 0) << "tables not released";
    return r;
  }
};

std::vector<uint8_t> readFile(const std::string& path) {
  std::vector<uint8_t> data;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return data;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
  std::fclose(f);
  return data;
}

std::vector<uint8_t> bytesOf(const char* text) {
  return std::vector<uint8_t>(text, text + std::char_traits<char>::length(text));
}

// Each stream once on a quiet heap and once with a compacting collection
// before every allocation, which moves the input copy, the output and the
// tables of the class-path decoder while it decodes.
TEST_P(Inflater, RoundTripsZlibStreams) {
  const std::vector<DeflateCase> cases = deflateCases();
  ASSERT_EQ(cases.size(), 14u * 3 * 6);
  for (const uint32_t stressed : {0u, 1u}) {
    for (const DeflateCase& c : cases) {
      const std::string name = deflateCaseFileName(c) + (stressed ? " under collections" : "");
      FILE* f = std::fopen((std::string(VS_DEFLATE_CASES_DIR "/") + deflateCaseFileName(c)).c_str(), "rb");
      ASSERT_NE(f, nullptr) << "missing generated stream " << name;
      std::fclose(f);
      const std::vector<uint8_t> stream = readFile(std::string(VS_DEFLATE_CASES_DIR "/") + deflateCaseFileName(c));
      const std::vector<uint8_t> input = deflateCaseInput(c.data, c.size);
      vsGC_stress = GcStress{stressed, stressed, 1, 0};
      const DecodeResult r = decode(stream, c.size);
      vsGC_stress = GcStress{0, 0, 0, 0};
      ASSERT_EQ(r.status, 1) << name;
      ASSERT_TRUE(r.out == input) << name;
    }
  }
}

// A fixed-code stream of `text` and the end of block.
std::vector<uint8_t> fixedStream(const std::vector<uint8_t>& text) {
  DeflateWriter w;
  w.header(true, 1);
  for (uint8_t b : text) w.fixedSymbol(b);
  w.fixedSymbol(256);
  return w.bytes();
}

// One final dynamic block (see DeflateWriter::dynamicBlock).
std::vector<uint8_t> dynamicStream(const std::vector<uint8_t>& lit, const std::vector<uint8_t>& dist,
                                   const std::vector<uint32_t>& symbols) {
  DeflateWriter w;
  w.dynamicBlock(true, lit, dist, symbols);
  return w.bytes();
}

// Literal lengths with 'a' and the end of block at 1 bit each.
std::vector<uint8_t> twoLiterals() {
  std::vector<uint8_t> lit(257, 0);
  lit['a'] = 1;
  lit[256] = 1;
  return lit;
}

TEST_P(Inflater, DecodesStoredFixedAndDynamicBlocks) {
  DeflateWriter stored;
  stored.stored(false, bytesOf("ab"));
  stored.stored(true, {});
  EXPECT_EQ(decode(stored.bytes(), 2).out, bytesOf("ab"));
  EXPECT_EQ(decode(stored.bytes(), 2).status, 1);

  const DecodeResult fixed = decode(fixedStream(bytesOf("Hello, world")), 12);
  EXPECT_EQ(fixed.status, 1);
  EXPECT_EQ(fixed.out, bytesOf("Hello, world"));

  // A single one-bit distance code is incomplete but accepted.
  const DecodeResult dynamic = decode(dynamicStream(twoLiterals(), {1}, {'a', 'a', 256}), 2);
  EXPECT_EQ(dynamic.status, 1);
  EXPECT_EQ(dynamic.out, bytesOf("aa"));

  EXPECT_EQ(decode(fixedStream({}), 0).status, 1);
}

TEST_P(Inflater, RepeatsTheLastByteWithLength258AtDistance1) {
  DeflateWriter w;
  w.header(true, 1);
  w.fixedSymbol('x');
  w.fixedSymbol(285);
  w.fixedDistance(0);
  w.fixedSymbol(256);
  const DecodeResult r = decode(w.bytes(), 259);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, std::vector<uint8_t>(259, 'x'));
}

TEST_P(Inflater, DecodesLongCodesBehindManyRootSlots) {
  // 284 codes of 10 bits fill 142 root slots with second-level tables of 64
  // entries (the longest code has 15 bits); the length symbols 284 and 285
  // share the 143rd.
  std::vector<uint8_t> lit(286, 10);
  lit[284] = lit[285] = 15;
  std::vector<uint8_t> expected = bytesOf("hello");
  expected.resize(5 + 227, 'o');
  const DecodeResult r =
      decode(dynamicStream(lit, {1}, {'h', 'e', 'l', 'l', 'o', 284, 0, 0, 0, 256}), 232);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, expected);
}

struct BadStream {
  const char* what;
  std::vector<uint8_t> stream;
  uint32_t outputLength;
};

std::vector<BadStream> badStreams() {
  std::vector<BadStream> cases;
  {
    DeflateWriter w;
    w.stored(true, bytesOf("abc"), 0xFFFC ^ 1);
    cases.push_back({"NLEN not the complement of LEN", w.bytes(), 3});
  }
  {
    std::vector<uint8_t> s = fixedStream(bytesOf("abc"));
    s.push_back(0);
    cases.push_back({"a byte after the final block", s, 3});
  }
  cases.push_back({"one byte short", fixedStream(bytesOf("abc")), 2});
  cases.push_back({"one byte long", fixedStream(bytesOf("abc")), 4});
  {
    DeflateWriter w;
    w.header(true, 1);
    w.fixedSymbol('a');
    w.fixedSymbol(257);  // length 3
    w.fixedDistance(1);  // distance 2, one byte written
    w.fixedSymbol(256);
    cases.push_back({"a back reference before the start", w.bytes(), 4});
  }
  {
    DeflateWriter w;
    w.header(true, 3);
    w.bits(0, 16);
    cases.push_back({"block type 3", w.bytes(), 0});
  }
  {
    DeflateWriter w;
    w.header(true, 1);
    w.fixedSymbol('a');
    w.fixedSymbol(286);
    w.bits(0, 16);
    cases.push_back({"literal/length symbol 286", w.bytes(), 4});
  }
  {
    DeflateWriter w;
    w.header(true, 1);
    w.fixedSymbol('a');
    w.fixedSymbol(257);
    w.fixedDistance(30);
    w.bits(0, 16);
    cases.push_back({"distance symbol 30", w.bytes(), 4});
  }
  cases.push_back({"all distance lengths zero", dynamicStream(twoLiterals(), {0}, {'a', 256}), 1});
  {
    std::vector<uint8_t> lit = twoLiterals();
    lit['b'] = 1;
    cases.push_back({"over-subscribed literal code", dynamicStream(lit, {1}, {'a', 256}), 1});
  }
  {
    std::vector<uint8_t> dist = {1, 1, 1};
    cases.push_back({"over-subscribed distance code", dynamicStream(twoLiterals(), dist, {'a', 256}), 1});
  }
  {
    // 'a' and 256 of 2 bits leave codes 10 and 11 unused; 11 is met.
    std::vector<uint8_t> lit(257, 0);
    lit['a'] = 2;
    lit[256] = 2;
    DeflateWriter w;
    w.dynamicBlock(true, lit, {1}, {'a'});
    w.code(3, 2);
    cases.push_back({"a code missing from an incomplete code", w.bytes(), 2});
  }
  {
    // 288 literal and 31 distance lengths, one more than the lengths array
    // holds; everything else is a good block that codes "a".
    std::vector<uint8_t> lit(288, 0);
    lit['a'] = 1;
    lit[256] = 1;
    std::vector<uint8_t> dist(31, 0);
    dist[0] = 1;
    cases.push_back({"HLIT + HDIST = 319", dynamicStream(lit, dist, {'a', 256}), 1});
  }
  {
    // 257 literal lengths and 1 distance length: 255 zeros, a 1, then
    // "repeat the 1 three times" where only two lengths are left. Were the
    // third taken, literal 255, the end of block and distance 0 would have
    // one bit each, and the codes that follow would decode to one byte.
    DeflateWriter w;
    w.dynamicHeader(true, 257, 1, {18, 138, 18, 117, 1, 16, 3});
    w.code(0, 1);
    w.code(1, 1);
    cases.push_back({"a repeat code past the end of the lengths", w.bytes(), 1});
  }
  {
    DeflateWriter w;
    w.dynamicHeader(true, 257, 1, {16, 3});
    w.bits(0, 32);
    cases.push_back({"repeat of the previous length first", w.bytes(), 0});
  }
  return cases;
}

TEST_P(Inflater, RefusesBadStreams) {
  for (const BadStream& c : badStreams()) EXPECT_EQ(decode(c.stream, c.outputLength).status, 0) << c.what;
}

TEST_P(Inflater, RefusesEveryTruncation) {
  // Input that ends inside a symbol, a header or a stored block: each cut of
  // a stream that mixes all block kinds.
  DeflateWriter w;
  w.stored(false, bytesOf("stored"));
  w.header(false, 1);
  for (uint8_t b : bytesOf("fixed")) w.fixedSymbol(b);
  w.fixedSymbol(256);
  std::vector<uint8_t> lit(286, 10);
  lit[284] = lit[285] = 15;
  w.dynamicBlock(true, lit, {1, 1}, {'d', 'y', 'n', 257, 0, 1, 0, 256});
  const std::vector<uint8_t> stream = w.bytes();
  const std::vector<uint8_t> expected = bytesOf("storedfixeddynyny");
  const DecodeResult whole = decode(stream, static_cast<uint32_t>(expected.size()));
  ASSERT_EQ(whole.status, 1);
  ASSERT_EQ(whole.out, expected);
  for (size_t cut = 0; cut < stream.size(); ++cut) {
    std::vector<uint8_t> part(stream.begin(), stream.begin() + static_cast<long>(cut));
    EXPECT_EQ(decode(part, static_cast<uint32_t>(expected.size())).status, 0) << "cut at " << cut;
  }
}

// The decoder core over an input that a collection moves whenever a table
// is allocated: the old copy is overwritten, so a read through an address
// taken before the allocation decodes garbage.
class MovingBuffer {
 public:
  explicit MovingBuffer(const std::vector<uint8_t>& stream) : copy_(stream) {
    copy_.resize(stream.size() + vs_inflater::kReadAhead, 0);
  }
  const uint8_t* data() const { return copy_.data(); }
  void move() {
    std::vector<uint8_t> moved = copy_;
    std::fill(copy_.begin(), copy_.end(), 0xFF);
    old_.push_back(std::move(copy_));
    copy_ = std::move(moved);
  }

 private:
  std::vector<uint8_t> copy_;
  std::vector<std::vector<uint8_t>> old_;  // kept so that stale reads stay inside memory
};

class VectorOutput {
 public:
  explicit VectorOutput(std::vector<uint8_t>& out) : out_(out) {}
  uint8_t* refresh() { return out_.data(); }

 private:
  std::vector<uint8_t>& out_;
};

class MovingTables {
 public:
  explicit MovingTables(MovingBuffer& input) : input_(input) {}
  uint16_t* allocate(VsInflaterTable which, uint32_t words) {
    input_.move();
    tables_[static_cast<int>(which)].assign(words, 0);
    return this->words(which);
  }
  uint16_t* words(VsInflaterTable which) { return tables_[static_cast<int>(which)].data(); }
  void release(VsInflaterTable which) { tables_[static_cast<int>(which)].clear(); }

 private:
  MovingBuffer& input_;
  std::vector<uint16_t> tables_[3];
};

TEST(InflaterCore, RereadsTheInputAfterEachTableAllocation) {
  const std::vector<uint8_t> stream = dynamicStream(twoLiterals(), {1}, {'a', 'a', 256});
  MovingBuffer buffer(stream);
  VsInflaterBufferInput input([&buffer] { return buffer.data(); }, static_cast<uint32_t>(stream.size()));
  std::vector<uint8_t> out(2);
  VectorOutput output(out);
  MovingTables tables(buffer);
  VsInflaterCore core(input, output, tables, 2);
  EXPECT_EQ(core.inflate(), 1);
  EXPECT_EQ(out, bytesOf("aa"));
}

INSTANTIATE_TEST_SUITE_P(Both, Inflater, testing::ValuesIn(kDecoders), decoderName);

}  // namespace
