// The two-pass conversion layer over the memory service on a booted heap:
// where results are stored, what is freed, handles, the mended count pass,
// and the trace lines of forced failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/core/heap_fixture.h"
#include "tools/testport/test_port.h"
#include "vm/core/memory/native_area.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/services/memory/handle_table.h"
#include "vm/services/memory/memory_service.h"
#include "vm/services/text/ascii.h"
#include "vm/services/text/char_codes.h"
#include "vm/services/text/sjis.h"

namespace {

constexpr uint32_t kFirstChunkBytes = 16 * 1024;
constexpr uint16_t kKanji = 0x6F22;  // 0x8ABF

std::vector<uint16_t> kanji(size_t n) { return std::vector<uint16_t>(n, kKanji); }

// A booted heap with a first chunk of 16 KiB from low memory.
class CharCodesLayer : public HeapTest {
 protected:
  explicit CharCodesLayer(uint32_t heapBytes = kTestHeapBytes) : HeapTest(heapBytes) {}
  void SetUp() override {
    HeapTest::SetUp();
    first_ = vsLow_alloc(kFirstChunkBytes);
    ASSERT_EQ(vsMemory_initialize(first_, kFirstChunkBytes), 0);
  }
  void TearDown() override {
    HeapTest::TearDown();
    vsLow_free(first_);
  }

  // Where a WithBuffer result of a short text lives.
  static const void* buffer() {
    const uint16_t a = 'a';
    return vsCharCodes_unicode2asciiWithBuffer(&a, 1, nullptr);
  }

  void* first_ = nullptr;
};

TEST_F(CharCodesLayer, WithBufferUsesTheBufferBelow512BytesAndABlockAbove) {
  const void* staticBuffer = buffer();
  std::vector<uint16_t> short100 = kanji(100);
  int32_t length = -1;
  uint8_t* out = vsCharCodes_unicode2sjisWithBuffer(short100.data(), 100, &length);
  EXPECT_EQ(out, staticBuffer);
  EXPECT_EQ(length, 200);
  EXPECT_EQ(out[0], 0x8A);
  EXPECT_EQ(out[199], 0xBF);
  EXPECT_EQ(out[200], 0);

  std::vector<uint16_t> long300 = kanji(300);
  out = vsCharCodes_unicode2sjisWithBuffer(long300.data(), 300, &length);
  EXPECT_NE(out, staticBuffer);
  EXPECT_EQ(length, 600);
  EXPECT_EQ(out[598], 0x8A);
  EXPECT_EQ(out[600], 0);
  vsCharCodes_freeConverted(out);
  vsTestPort_startCapture();
  EXPECT_EQ(vsMemory_freePointer(out), -1) << "the block was freed";
  EXPECT_NE(vsTestPort_stopCapture().trace, "");

  // UCS-2 results: the buffer below 256 chars, a block from there on.
  std::vector<uint8_t> sjis(2 * 255, 0x41);
  uint16_t* units = vsCharCodes_sjis2unicodeWithBuffer(sjis.data(), 255, &length);
  EXPECT_EQ(static_cast<const void*>(units), staticBuffer);
  EXPECT_EQ(length, 255);
  units = vsCharCodes_sjis2unicodeWithBuffer(sjis.data(), 256, &length);
  EXPECT_NE(static_cast<const void*>(units), staticBuffer);
  EXPECT_EQ(length, 256);
  EXPECT_EQ(units[255], 0x41);
  vsCharCodes_freeConverted(units);
}

TEST_F(CharCodesLayer, TheWrappersConvert) {
  const std::vector<uint16_t> cafe = {'c', 'a', 'f', 0xE9};
  int32_t length = 0;
  EXPECT_EQ(std::string(reinterpret_cast<char*>(vsCharCodes_unicode2asciiWithBuffer(cafe.data(), 4, &length))),
            "caf?");
  EXPECT_EQ(length, 4);
  uint8_t* ascii = vsCharCodes_unicode2asciiWithAlloc(cafe.data(), 4, &length);
  ASSERT_NE(ascii, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(ascii)), "caf?");
  vsCharCodes_freeConverted(ascii);

  const uint16_t a = 0x3042;
  uint8_t* sjis = vsCharCodes_unicode2sjisWithAlloc(&a, 1, &length);
  ASSERT_NE(sjis, nullptr);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(sjis[0], 0x82);
  EXPECT_EQ(sjis[1], 0xA0);
  EXPECT_EQ(sjis[2], 0);
  vsCharCodes_freeConverted(sjis);

  const uint8_t bytes[] = {0x82, 0xA0, 0x81, 0x0A};
  uint16_t* units = vsCharCodes_sjis2unicodeWithAlloc(bytes, 4, &length);
  ASSERT_NE(units, nullptr);
  EXPECT_EQ(std::vector<uint16_t>(units, units + length), (std::vector<uint16_t>{0x3042, 0xFFFD, 0x0A}));
  vsCharCodes_freeConverted(units);

  const uint8_t utf8[] = {0xC3, 0xA9, 'x'};
  units = vsCharCodes_utf82unicodeWithBuffer(utf8, 3, &length);
  EXPECT_EQ(std::vector<uint16_t>(units, units + length), (std::vector<uint16_t>{0xE9, 'x'}));

  // Empty texts are results, not failures.
  units = vsCharCodes_sjis2unicodeWithAlloc(bytes, 0, &length);
  ASSERT_NE(units, nullptr);
  EXPECT_EQ(length, 0);
  vsCharCodes_freeConverted(units);
}

TEST_F(CharCodesLayer, Utf8WithAllocRetriesWithThreeBytesPerUnit) {
  const struct {
    const char* name;
    std::vector<uint16_t> text;
    std::string utf8;
  } cases[] = {
      {"empty", {}, ""},
      {"two bytes per unit fit", {'a', 0xE9}, "a\xC3\xA9"},
      {"three bytes per unit need the second try", {0x3042, 0x3044}, "\xE3\x81\x82\xE3\x81\x84"},
      {"a surrogate is replaced", {0xD800, 'b'}, "?b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const uint16_t none = 0;
    uint8_t* out = vsCharCodes_unicode2utf8WithAlloc(c.text.empty() ? &none : c.text.data(),
                                                     static_cast<int32_t>(c.text.size()));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), c.utf8);
    vsCharCodes_freeConverted(out);
  }
}

TEST_F(CharCodesLayer, HandleHoldsTheText) {
  const uint8_t bytes[] = {0x82, 0xA0, 0x41, 0xB1};
  int32_t length = 0;
  VmWord handle = vsCharCodes_sjis2unicodeWithHandle(bytes, 4, &length);
  ASSERT_NE(handle, 0u);
  ASSERT_EQ(length, 3);
  const uint16_t* data = static_cast<const uint16_t*>(vsMemory_handleLock(handle));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::vector<uint16_t>(data, data + 3), (std::vector<uint16_t>{0x3042, 0x41, 0xFF71}));
  vsMemory_handleUnlock(handle);
  EXPECT_EQ(vsMemory_freeHandle(handle), 0);
}

TEST_F(CharCodesLayer, FreeConvertedLeavesTheBufferAndTheEmptyResult) {
  const uint16_t a = 'a';
  uint8_t* inBuffer = vsCharCodes_unicode2asciiWithBuffer(&a, 1, nullptr);
  vsCharCodes_freeConverted(inBuffer);
  vsCharCodes_freeConverted(nullptr);
  int32_t length = -1;
  vsTestPort_startCapture();
  uint8_t* empty = vsCharCodes_unicode2asciiWithBuffer(nullptr, 1, &length);  // the count fails
  vsTestPort_stopCapture();
  EXPECT_EQ(length, 0);
  EXPECT_EQ(empty[0], 0);
  vsCharCodes_freeConverted(empty);
  EXPECT_EQ(empty[0], 0);
  EXPECT_EQ(vsCharCodes_unicode2asciiWithBuffer(&a, 1, nullptr), inBuffer);
  EXPECT_EQ(inBuffer[0], 'a');
  // Neither is a block of the memory service that a free could have reached.
  vsTestPort_startCapture();
  EXPECT_EQ(vsMemory_freePointer(inBuffer), -1);
  EXPECT_EQ(vsMemory_freePointer(empty), -1);
  vsTestPort_stopCapture();
}

// An unmappable char that takes two bytes (raw, or a two-byte replacement)
// is counted exactly, so the convert pass has room for it.
TEST_F(CharCodesLayer, TwoByteUnmappablesAreCountedExactly) {
  const struct {
    const char* name;
    std::vector<uint16_t> text;
    VsCharEncoder encoder;
    uint32_t flags;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"sjis raw U+0080", {0x0080}, vsSjis_unicodeToSjis, kVsCharCodec_raw, {0x00, 0x80}},
      {"sjis raw U+2015 U+00A0", {0x2015, 0x00A0}, vsSjis_unicodeToSjis, kVsCharCodec_raw, {0x20, 0x15, 0x00, 0xA0}},
      {"sjis two-byte replacement", {0x0080}, vsSjis_unicodeToSjis, kVsCharCodec_replace | (0x8140u << 16),
       {0x81, 0x40}},
      {"ascii raw", {0x00E9, 'a'}, vsAscii_unicodeToAscii, kVsCharCodec_raw, {0x00, 0xE9, 'a'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t n = static_cast<int32_t>(c.text.size());
    int32_t length = 0;
    uint8_t* out = vsCharCodes_unicode2nativeWithBuffer(c.text.data(), n, &length, c.encoder, c.flags);
    EXPECT_EQ(std::vector<uint8_t>(out, out + length), c.bytes);
    uint8_t* block = vsCharCodes_unicode2nativeWithAlloc(c.text.data(), n, &length, c.encoder, c.flags);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(block, block + length), c.bytes);
    EXPECT_EQ(block[length], 0);
    vsCharCodes_freeConverted(block);
  }
}

// An encoder whose count pass says 1 byte and whose convert pass needs 2.
int32_t undercountingEncoder(const uint16_t*, int32_t srcStart, int32_t srcEnd, uint8_t*, int32_t dstStart,
                             int32_t dstEnd, int32_t* written, int32_t*, uint32_t flags) {
  if (vsCharCodec_counting(flags)) {
    *written = 1;
    return srcEnd - srcStart;
  }
  *written = dstStart;
  return dstEnd - dstStart < 2 ? -1 : srcEnd - srcStart;
}

TEST_F(CharCodesLayer, FailedPassesTraceTheirLines) {
  const uint16_t a = 'a';
  const uint8_t b = 'b';
  int32_t length = -1;
  vsTestPort_startCapture();
  EXPECT_EQ(vsCharCodes_unicode2nativeWithBuffer(nullptr, 1, &length, vsSjis_unicodeToSjis, 8)[0], 0);
  EXPECT_EQ(vsCharCodes_unicode2nativeWithAlloc(nullptr, 1, &length, vsSjis_unicodeToSjis, 8), nullptr);
  EXPECT_EQ(vsCharCodes_byte2unicodeWithBuffer(nullptr, 1, vsSjis_sjisToUnicode, &length)[0], 0);
  EXPECT_EQ(vsCharCodes_byte2unicodeWithAlloc(nullptr, 1, vsSjis_sjisToUnicode, &length), nullptr);
  EXPECT_EQ(vsCharCodes_sjis2unicodeWithHandle(nullptr, 1, &length), 0u);
  EXPECT_EQ(vsCharCodes_unicode2nativeWithBuffer(&a, 1, &length, undercountingEncoder, 8)[0], 0);
  EXPECT_EQ(vsCharCodes_unicode2nativeWithAlloc(&a, 1, &length, undercountingEncoder, 8), nullptr);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(vsCharCodes_sjis2unicodeWithBuffer(&b, 1, &length)[0], 'b');
  TestPortCapture captured = vsTestPort_stopCapture();
  EXPECT_EQ(captured.trace,
            "[vsCharCodes_unicode2nativeWithBuffer] count failed."
            "[vsCharCodes_unicode2nativeWithAlloc] count failed."
            "[vsCharCodes_byte2unicodeWithBuffer] count failed."
            "[vsCharCodes_byte2unicodeWithAlloc] count failed."
            "[vsCharCodes_sjis2unicodeWithHandle] count failed.\n"
            "[vsCharCodes_unicode2nativeWithBuffer] trans failed."
            "[vsCharCodes_unicode2nativeWithAlloc] trans failed.");
}

// A VM with a 512 KiB heap whose memory is taken whole.
class CharCodesWithoutMemory : public CharCodesLayer {
 protected:
  CharCodesWithoutMemory() : CharCodesLayer(512 * 1024) {}
  void SetUp() override {
    CharCodesLayer::SetUp();
    // The failed allocations collect; the trace holds only their reports.
    vsVmFlags().RepotFinalization = 0;
    for (int32_t size : {4096, 1024, 256, 64, 16, 4}) {
      while (void* p = vsMemory_allocPointer(size)) {
        blocks_.push_back(p);
        ASSERT_LT(blocks_.size(), 1000000u);
      }
    }
    VmRef array;
    for (int32_t n = 0x10000; n >= 0; n = n == 0 ? -1 : n / 2) {
      while (vsJavaHeap_newOldByteArray(n, &array) != 0) {
      }
    }
  }
  void TearDown() override {
    for (void* p : blocks_) EXPECT_EQ(vsMemory_freePointer(p), 0);
    CharCodesLayer::TearDown();
  }
  std::vector<void*> blocks_;
};

TEST_F(CharCodesWithoutMemory, AllocationFailuresGiveTheEmptyResultOrNull) {
  std::vector<uint16_t> long300 = kanji(300);
  std::vector<uint8_t> sjis(600, 0x41);
  int32_t length = -1;
  vsTestPort_startCapture();
  uint8_t* bytes = vsCharCodes_unicode2sjisWithBuffer(long300.data(), 300, &length);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(vsCharCodes_unicode2sjisWithAlloc(long300.data(), 1, &length), nullptr);
  uint16_t* units = vsCharCodes_sjis2unicodeWithBuffer(sjis.data(), 600, &length);
  EXPECT_EQ(units[0], 0);
  EXPECT_EQ(vsCharCodes_sjis2unicodeWithAlloc(sjis.data(), 1, &length), nullptr);
  EXPECT_EQ(vsCharCodes_sjis2unicodeWithHandle(sjis.data(), 600, &length), 0u);
  EXPECT_EQ(vsCharCodes_unicode2utf8WithAlloc(long300.data(), 300), nullptr);
  EXPECT_EQ(length, 0);
  // Short texts still go through the buffer.
  EXPECT_EQ(vsCharCodes_unicode2sjisWithBuffer(long300.data(), 1, &length)[0], 0x8A);
  TestPortCapture captured = vsTestPort_stopCapture();
  EXPECT_EQ(captured.trace,
            "[vsCharCodes_unicode2nativeWithBuffer] alloc memory failed."
            "[vsCharCodes_unicode2nativeWithAlloc] alloc memory failed."
            "[vsCharCodes_byte2nativeWithBuffer] alloc memory failed."
            "[vsCharCodes_byte2unicodeWithAlloc] alloc memory failed."
            "[vsCharCodes_sjis2unicodeWithHandle] alloc memory failed.\n");
}

}  // namespace
