// Images and off-screens: creation, sizes, read-back, handles 0 and -1, and
// every allocation failing in turn.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "port/kjava_gfx/jk_gfx_image.h"
#include "port/kjava_gfx/jk_gfx_memory.h"
#include "port/kjava_gfx/jk_gfx_offscreen.h"
#include "port/kjava_gfx/kjava_gfx.h"
#include "storage/trace.h"

namespace {

std::vector<std::string> gTrace;

void capture(const char* text) { gTrace.emplace_back(text); }

// "file(line)(function): message\n" with any line number.
bool isTraceLine(const std::string& text, const std::string& file, const std::string& function,
                 const std::string& message) {
  const std::string head = file + "(";
  const std::string tail = ")(" + function + "): " + message + "\n";
  if (text.size() <= head.size() + tail.size() || text.compare(0, head.size(), head) != 0 ||
      text.compare(text.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  const std::string number = text.substr(head.size(), text.size() - head.size() - tail.size());
  return number.find_first_not_of("0123456789") == std::string::npos;
}

class Surfaces : public testing::Test {
 protected:
  void SetUp() override {
    gTrace.clear();
    trace_setLineWriter(capture);
    live_ = jkGfx_liveBlocks();
  }
  void TearDown() override {
    jkGfx_failAllocation(0);
    trace_setLineWriter(nullptr);
    EXPECT_EQ(jkGfx_liveBlocks(), live_) << "blocks left allocated";
  }
  uint32_t live_ = 0;
};

TEST_F(Surfaces, OnePixelImagesAndOffScreensReadBack) {
  const struct {
    uint32_t argb;
    uint32_t image;
  } cases[] = {{0x80FFFFFF, 0x00F8F8F8}, {0xFFFFFFFF, 0x08F8F8F8}};
  for (const auto& c : cases) {
    int32_t error = 7;
    const int32_t image = JkImageCreateFromARGB(&c.argb, 1, 1, 1, &error);
    ASSERT_NE(image, -1);
    EXPECT_EQ(error, 0);
    uint32_t out = 0;
    const int32_t rect[4] = {0, 0, 1, 1};
    JkImageGetARGB(image, &out, 1, 1, rect);
    EXPECT_EQ(out, c.image) << std::hex << c.argb;
    JkImageDestroy(image);
  }
  const int32_t screen = JkOffScreenCreate(1, 1);
  ASSERT_NE(screen, -1);
  const uint32_t white = 0xFFFFFFFF;
  EXPECT_EQ(kjava_gfx_writeARGB(jkSurface_fromHandle(screen), nullptr, 0, 0, &white, 1, 1, 1), 0);
  uint32_t out = 0;
  const int32_t rect[4] = {0, 0, 1, 1};
  JkOffScreenGetARGB(screen, &out, 1, 1, rect);
  EXPECT_EQ(out, 0xFFF8F8F8u);
  JkOffScreenDestroy(screen);
  EXPECT_TRUE(gTrace.empty());
}

TEST_F(Surfaces, RecordsAndFlags) {
  const uint32_t argb[6] = {0xFF000000, 0x00FFFFFF, 0x08FF0000, 0, 0, 0};
  int32_t error = 0;
  const int32_t image = JkImageCreateFromARGB(argb, 3, 2, 5, &error);
  JkSurface* s = jkSurface_fromHandle(image);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(JkImageGetWidth(image), 3);
  EXPECT_EQ(JkImageGetHeight(image), 2);
  EXPECT_EQ(s->transparent, 5u);
  EXPECT_EQ(s->writable, 0u);
  EXPECT_EQ(s->pixels.get()[1], 0xFFDF);
  EXPECT_EQ(kjava_gfx_fillRect(s, nullptr, 0xFFFF, 0, 0, 3, 2), -1) << "images stay immutable";
  EXPECT_EQ(s->pixels.get()[0], 0x0020);
  JkImageDestroy(image);

  const int32_t off = JkOffScreenCreate(4, 3);
  JkSurface* o = jkSurface_fromHandle(off);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(JkOffScreenGetWidth(off), 4);
  EXPECT_EQ(JkOffScreenGetHeight(off), 3);
  EXPECT_EQ(o->transparent, 0u);
  EXPECT_EQ(o->writable, 1u);
  for (int32_t i = 0; i < 12; ++i)
    EXPECT_EQ(o->pixels.get()[i], 0) << i;
  JkOffScreenDestroy(off);
}

TEST_F(Surfaces, SizesAndHandlesThatNameNothing) {
  const uint32_t argb[1] = {0};
  const struct {
    int32_t w, h, error;
  } images[] = {{0, 1, -2}, {1, -1, -2}, {INT_MIN, 1, -2}, {65536, 65536, -1},
                {INT_MAX, INT_MAX, -1}};
  for (const auto& c : images) {
    int32_t error = 0;
    EXPECT_EQ(JkImageCreateFromARGB(argb, c.w, c.h, 0, &error), -1) << c.w << "x" << c.h;
    EXPECT_EQ(error, c.error) << c.w << "x" << c.h;
  }
  int32_t error = 0;
  EXPECT_EQ(JkImageCreateFromARGB(nullptr, 1, 1, 0, &error), -1);
  EXPECT_EQ(error, -2);
  for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {-5, 3}, {65536, 65536}, {INT_MAX, 2}})
    EXPECT_EQ(JkOffScreenCreate(w, h), -1) << w << "x" << h;
  uint32_t out = 0x1234;
  const int32_t rect[4] = {0, 0, 1, 1};
  for (int32_t handle : {0, -1}) {
    EXPECT_EQ(JkImageGetWidth(handle), 0);
    EXPECT_EQ(JkImageGetHeight(handle), 0);
    EXPECT_EQ(JkOffScreenGetWidth(handle), 0);
    EXPECT_EQ(JkOffScreenGetHeight(handle), 0);
    JkImageDestroy(handle);
    JkOffScreenDestroy(handle);
    JkImageGetARGB(handle, &out, 1, 1, rect);
    JkOffScreenGetARGB(handle, &out, 1, 1, rect);
  }
  EXPECT_EQ(out, 0x1234u);
  gTrace.clear();  // the oversized ones reported their failed buffers
}

// A 3 x 2 off-screen with distinct pixels, read back in several layouts.
class ReadBack : public Surfaces {
 protected:
  void SetUp() override {
    Surfaces::SetUp();
    handle_ = JkOffScreenCreate(3, 2);
    JkSurface* s = jkSurface_fromHandle(handle_);
    for (int32_t i = 0; i < 6; ++i)
      s->pixels.get()[i] = uint16_t((i + 1) << 11);
  }
  void TearDown() override {
    JkOffScreenDestroy(handle_);
    Surfaces::TearDown();
  }
  static uint32_t word(int32_t i) { return uint32_t(i + 1) << 19; }
  int32_t handle_ = -1;
};

TEST_F(ReadBack, ForcesAlphaOnlyOnTheWordsItWrote) {
  std::vector<uint32_t> out(12, 0x11111111);
  const int32_t rect[4] = {0, 0, 3, 2};
  JkOffScreenGetARGB(handle_, out.data(), 10, 5, rect);  // scan 5: two spare words per row
  const std::vector<uint32_t> expected = {
      word(0) | 0xFF000000, word(1) | 0xFF000000, word(2) | 0xFF000000, 0x11111111, 0x11111111,
      word(3) | 0xFF000000, word(4) | 0xFF000000, word(5) | 0xFF000000, 0x11111111, 0x11111111,
      0x11111111,           0x11111111};
  EXPECT_EQ(out, expected);
}

TEST_F(ReadBack, NegativeScanStoresRowsUpwards) {
  for (bool offScreen : {false, true}) {
    std::vector<uint32_t> out(16, 0x11111111);
    const int32_t rect[4] = {1, 0, 2, 2};
    uint32_t* first = out.data() + 8;  // row 0 here, row 1 four words lower
    if (offScreen)
      JkOffScreenGetARGB(handle_, first, 8, -4, rect);
    else
      JkImageGetARGB(handle_, first, 8, -4, rect);
    const uint32_t alpha = offScreen ? 0xFF000000 : 0;
    std::vector<uint32_t> expected(16, 0x11111111);
    expected[8] = word(1) | alpha;
    expected[9] = word(2) | alpha;
    expected[4] = word(4) | alpha;
    expected[5] = word(5) | alpha;
    EXPECT_EQ(out, expected) << offScreen;
  }
}

TEST_F(ReadBack, TooSmallACountWritesNothing) {
  const struct {
    int32_t count, scan;
  } cases[] = {{7, 5}, {7, -5}, {5, 3}, {0, 3}, {-1, -3}, {INT_MIN, INT_MIN}};
  const int32_t rect[4] = {0, 0, 3, 2};
  for (const auto& c : cases) {
    std::vector<uint32_t> out(24, 0x11111111);
    uint32_t* at = out.data() + 12;
    JkOffScreenGetARGB(handle_, at, c.count, c.scan, rect);
    JkImageGetARGB(handle_, at, c.count, c.scan, rect);
    EXPECT_EQ(out, std::vector<uint32_t>(24, 0x11111111)) << c.count << " " << c.scan;
  }
  // The smallest count that is enough: (h - 1) * |scan| + w.
  std::vector<uint32_t> out(24, 0x11111111);
  JkImageGetARGB(handle_, out.data() + 12, 8, -5, rect);
  EXPECT_EQ(out[12], word(0));
  EXPECT_EQ(out[7 + 2], word(5));
}

struct FailureCase {
  const char* name;
  uint32_t failingCall;
  const char* message;
};

TEST_F(Surfaces, OffScreenCreationWithEachAllocationFailing) {
  const FailureCase cases[] = {
      {"record", 1, "JkOffScreenCreate structure Fail (OutOfMemory)"},
      {"pixels", 2, "JkOffScreenCreate buffer Fail (OutOfMemory)"},
  };
  for (const FailureCase& c : cases) {
    gTrace.clear();
    jkGfx_failAllocation(c.failingCall);
    EXPECT_EQ(JkOffScreenCreate(4, 4), -1) << c.name;
    jkGfx_failAllocation(0);
    ASSERT_EQ(gTrace.size(), 1u) << c.name;
    EXPECT_TRUE(isTraceLine(gTrace[0], "jk_gfx_offscreen.cpp", "JkOffScreenCreate", c.message))
        << gTrace[0];
    EXPECT_EQ(jkGfx_liveBlocks(), live_) << c.name;
  }
}

TEST_F(Surfaces, ImageCreationWithEachAllocationFailing) {
  const FailureCase cases[] = {
      {"record", 1, "JkImageCreateFromARGB structure Fail (OutOfMemory)"},
      {"pixels", 2, "JkImageCreateFromARGB buffer Fail (OutOfMemory)"},
  };
  const uint32_t argb[4] = {};
  for (const FailureCase& c : cases) {
    gTrace.clear();
    jkGfx_failAllocation(c.failingCall);
    int32_t error = 0;
    EXPECT_EQ(JkImageCreateFromARGB(argb, 2, 2, 0, &error), -1) << c.name;
    EXPECT_EQ(error, -1) << c.name;
    jkGfx_failAllocation(0);
    ASSERT_EQ(gTrace.size(), 1u) << c.name;
    EXPECT_TRUE(
        isTraceLine(gTrace[0], "jk_gfx_image.cpp", "JkImageCreateFromARGB", c.message))
        << gTrace[0];
    EXPECT_EQ(jkGfx_liveBlocks(), live_) << c.name;
  }
}

TEST_F(ReadBack, NegativeScanWithoutItsBufferWritesNothing) {
  const int32_t rect[4] = {0, 0, 3, 2};
  const struct {
    bool offScreen;
    const char* file;
    const char* function;
  } cases[] = {
      {true, "jk_gfx_offscreen.cpp", "JkOffScreenGetARGB"},
      {false, "jk_gfx_image.cpp", "JkImageGetARGB"},
  };
  for (const auto& c : cases) {
    gTrace.clear();
    std::vector<uint32_t> out(12, 0x11111111);
    jkGfx_failAllocation(1);
    if (c.offScreen)
      JkOffScreenGetARGB(handle_, out.data() + 6, 6, -3, rect);
    else
      JkImageGetARGB(handle_, out.data() + 6, 6, -3, rect);
    jkGfx_failAllocation(0);
    EXPECT_EQ(out, std::vector<uint32_t>(12, 0x11111111));
    ASSERT_EQ(gTrace.size(), 1u);
    EXPECT_TRUE(
        isTraceLine(gTrace[0], c.file, c.function, "JkOffScreenGetARGB Fail (OutOfMemory)"))
        << gTrace[0];
  }
}

}  // namespace
