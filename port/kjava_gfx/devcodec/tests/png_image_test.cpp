// JkImageCreate over the PNG decoder: out-of-memory at every allocation of a
// decode, the trace lines of the three out-of-memory results, the flags of a
// decoded image, and hand-derived pixels of a 16-bit grey key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "port/kjava_gfx/devcodec/png_decoder.h"
#include "port/kjava_gfx/devcodec/tests/png_test_file.h"
#include "port/kjava_gfx/jk_gfx_image.h"
#include "port/kjava_gfx/jk_gfx_memory.h"
#include "port/kjava_gfx/jk_surface.h"
#include "storage/trace.h"

namespace {

using png_test::Bytes;

std::vector<std::string> gLines;
void capture(const char* text) { gLines.emplace_back(text); }

class PngImageTest : public testing::Test {
 protected:
  void SetUp() override {
    gLines.clear();
    trace_setLineWriter(capture);
  }
  void TearDown() override {
    jkGfx_failAllocation(0);
    trace_setLineWriter(nullptr);
    EXPECT_EQ(jkGfx_liveBlocks(), 0u);
  }
};

// Whether line is "file(<line number>)(function): message" and a line end.
bool isTraceLine(const std::string& line, const std::string& file, const std::string& function,
                 const std::string& message) {
  const std::string tail = ")(" + function + "): " + message + "\n";
  if (line.rfind(file + "(", 0) != 0 || line.size() < file.size() + 1 + tail.size() ||
      line.compare(line.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  const std::string number = line.substr(file.size() + 1, line.size() - tail.size() - file.size() - 1);
  return !number.empty() && number.find_first_not_of("0123456789") == std::string::npos;
}

std::vector<uint32_t> readBack(int32_t handle) {
  const int32_t w = JkImageGetWidth(handle), h = JkImageGetHeight(handle);
  std::vector<uint32_t> words(static_cast<size_t>(w) * h, 0xDEADBEEF);
  const int32_t rect[4] = {0, 0, w, h};
  JkImageGetARGB(handle, words.data(), w * h, w, rect);
  return words;
}

// A 40 x 40 palette image with a tRNS table, in two IDAT chunks, so that a
// decode allocates everything it can: the chunk buffer, the inflater's input
// and output grow, zlib allocates its state and window.
Bytes paletteImage() {
  Bytes raw;
  uint32_t seed = 12345;
  for (int y = 0; y < 40; ++y) {
    raw.push_back(static_cast<uint8_t>(y % 5));  // filter type
    for (int x = 0; x < 40; ++x) {
      seed = seed * 1103515245 + 12345;
      raw.push_back(static_cast<uint8_t>(seed >> 16));
    }
  }
  const Bytes z = png_test::deflate(raw);
  const size_t half = z.size() / 2;
  Bytes palette;
  for (int i = 0; i < 256; ++i)
    palette.insert(palette.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7});
  return png_test::file(png_test::ihdr(40, 40, 8, 3),
                        {png_test::chunk("PLTE", palette), png_test::chunk("tRNS", {0x80, 0x08, 0xF7}),
                         png_test::chunk("IDAT", Bytes(z.begin(), z.begin() + half)),
                         png_test::chunk("IDAT", Bytes(z.begin() + half, z.end()))});
}

TEST_F(PngImageTest, FailingEachAllocationGivesItsResultAndLeavesNothing) {
  const Bytes png = paletteImage();
  int32_t error = 1;
  const int32_t reference = JkImageCreate(png.data(), static_cast<uint32_t>(png.size()), &error);
  ASSERT_EQ(error, 0);
  const std::vector<uint32_t> expected = readBack(reference);
  JkImageDestroy(reference);
  ASSERT_EQ(jkGfx_liveBlocks(), 0u);

  // The three allocations whose failure is out of memory, and their lines.
  struct Line {
    const char* file;
    const char* function;
    const char* message;
  };
  const Line lines[3] = {
      {"jk_gfx_image.cpp", "JkImageCreate", "JkImageCreate structure Fail (OutOfMemory)"},
      {"jk_gfx_image.cpp", "JkImageCreate", "JkImageCreate buffer Fail (OutOfMemory)"},
      {"dev_codec.cpp", "devCodec_decodePng", "create decode buffer (OutOfMemory) size 6416"},
  };
  uint32_t k = 1;
  for (;; ++k) {
    ASSERT_LT(k, 200u);
    gLines.clear();
    jkGfx_failAllocation(k);
    const int32_t handle = JkImageCreate(png.data(), static_cast<uint32_t>(png.size()), &error);
    jkGfx_failAllocation(0);
    if (error == 0) {
      EXPECT_EQ(readBack(handle), expected);
      JkImageDestroy(handle);
      break;
    }
    EXPECT_EQ(handle, kJkInvalidHandle) << k;
    EXPECT_EQ(error, k <= 3 ? -1 : -2) << k;
    EXPECT_EQ(jkGfx_liveBlocks(), 0u) << k;
    if (k <= 3) {
      ASSERT_EQ(gLines.size(), 1u) << k;
      const Line& want = lines[k - 1];
      EXPECT_TRUE(isTraceLine(gLines[0], want.file, want.function, want.message)) << gLines[0];
    } else {
      EXPECT_TRUE(gLines.empty()) << k << ": " << gLines[0];
    }
  }
  // Record, pixels, decode buffer, inflater, decoder, two rows, two inflater
  // buffers, zlib's state, the chunk buffer, the tRNS table, the grown chunk
  // buffer and input, zlib's window, the grown output: 16 at least.
  EXPECT_GE(k, 17u);
}

TEST_F(PngImageTest, ADecodedImageIsTransparentCapableAndImmutable) {
  const Bytes png = paletteImage();
  int32_t error = 1;
  const int32_t handle = JkImageCreate(png.data(), static_cast<uint32_t>(png.size()), &error);
  ASSERT_EQ(error, 0);
  const JkSurface* image = jkSurface_fromHandle(handle);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 40);
  EXPECT_EQ(image->height, 40);
  EXPECT_EQ(image->transparent, 1u);
  EXPECT_EQ(image->writable, 0u);
  JkImageDestroy(handle);
}

TEST_F(PngImageTest, SixteenBitGreyKeyIsExactAndKeepsTheHighByte) {
  const uint16_t values[8] = {0x1234, 0x1235, 0x12FF, 0x1200, 0x0034, 0xFFFF, 0x1234, 0x0000};
  // 0x12xx reads back as channel 0x10; only exactly 0x1234 is transparent.
  const uint32_t expected[8] = {0x00101010, 0x08101010, 0x08101010, 0x08101010,
                                0x08000000, 0x08F8F8F8, 0x00101010, 0x08000000};
  Bytes raw = {0};
  for (uint16_t v : values)
    raw.insert(raw.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
  const Bytes png = png_test::file(png_test::ihdr(8, 1, 16, 0), {png_test::chunk("tRNS", {0x12, 0x34}),
                                                                  png_test::chunk("IDAT", png_test::deflate(raw))});
  int32_t error = 1;
  const int32_t handle = JkImageCreate(png.data(), static_cast<uint32_t>(png.size()), &error);
  ASSERT_EQ(error, 0);
  EXPECT_EQ(readBack(handle), std::vector<uint32_t>(expected, expected + 8));
  JkImageDestroy(handle);
}

TEST_F(PngImageTest, NoDataOrNoHeaderIsBadData) {
  const Bytes png = paletteImage();
  struct Case {
    const uint8_t* data;
    uint32_t size;
  };
  const Case cases[] = {{nullptr, 0}, {nullptr, 100}, {png.data(), 0}, {png.data(), 32}};
  for (const Case& c : cases) {
    int32_t error = 1;
    EXPECT_EQ(JkImageCreate(c.data, c.size, &error), kJkInvalidHandle);
    EXPECT_EQ(error, -2);
  }
}

TEST_F(PngImageTest, ProbeTakesTheSizeOnlyFromASoundHeader) {
  Bytes png = paletteImage();
  uint32_t w = 9, h = 9;
  EXPECT_TRUE(png_probe(png.data(), 33, &w, &h));
  EXPECT_EQ(w, 40u);
  EXPECT_EQ(h, 40u);
  EXPECT_TRUE(png_probe(png.data(), 32, &w, &h));
  EXPECT_EQ(w, 0u);
  png[29] ^= 1;  // the IHDR CRC
  EXPECT_TRUE(png_probe(png.data(), static_cast<uint32_t>(png.size()), &w, &h));
  EXPECT_EQ(w, 0u);
  EXPECT_EQ(h, 0u);
  const Bytes huge = png_test::file(png_test::ihdr(0x80000000u, 1, 8, 6), {});
  EXPECT_TRUE(png_probe(huge.data(), static_cast<uint32_t>(huge.size()), &w, &h));
  EXPECT_EQ(w, 0u);
  const uint8_t gif[] = "GIF89a and more bytes than a PNG header needs..";
  EXPECT_FALSE(png_probe(gif, sizeof gif, &w, &h));
}

}  // namespace
