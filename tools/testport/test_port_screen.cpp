// The test port's virtual screen (see test_port_screen.h).
#include "tools/testport/test_port_screen.h"

#include <cstdlib>
#include <vector>

#include "port/jk_video.h"
#include "port/kjava_gfx/jk_gfx_offscreen.h"
#include "port/trace.h"

namespace {

struct Screen {
  int32_t width = 1;
  int32_t height = 1;
  TestScreenFailure failure = TestScreenFailure::None;
  std::vector<uint16_t> pixels = std::vector<uint16_t>(1);
  int32_t locks = 0;
  int32_t unlocks = 0;
};

Screen gScreen;

struct Context {
  int32_t image;
  uint16_t pixel;
};

uint16_t rgb565(uint32_t rgb) {
  return static_cast<uint16_t>((rgb >> 8 & 0xf800) | (rgb >> 5 & 0x07e0) | (rgb >> 3 & 0x001f));
}

}  // namespace

void vsTestScreen_reset(int32_t width, int32_t height, TestScreenFailure failure) {
  gScreen = Screen{};
  gScreen.width = width;
  gScreen.height = height;
  gScreen.failure = failure;
  gScreen.pixels.assign(width > 0 && height > 0 ? static_cast<size_t>(width) * static_cast<size_t>(height) : 0, 0);
}

uint16_t vsTestScreen_pixel(int32_t x, int32_t y) {
  return gScreen.pixels.at(static_cast<size_t>(y) * static_cast<size_t>(gScreen.width) + static_cast<size_t>(x));
}

int32_t vsTestScreen_lockCount() { return gScreen.locks; }

int32_t vsTestScreen_unlockCount() { return gScreen.unlocks; }

void JkVideoGetScreenInfo(int32_t* record) {
  TracePrintfA("JkVideoGetScreenInfo()\n");
  const int32_t info[kJkVideoPropertyWords] = {
      gScreen.failure == TestScreenFailure::NoScreen ? -1 : kTestScreenHandle, 1, 32768, 2, 0, 0, 0, 1, 0};
  for (int32_t i = 0; i < kJkVideoPropertyWords; ++i) record[i] = info[i];
}

void* JkGraphicsCreateContext(int32_t image) {
  TracePrintfA("JkGraphicsCreateContext(%d)\n", image);
  if (gScreen.failure == TestScreenFailure::NoContext || image != kTestScreenHandle) return kJkNoGraphicsContext;
  auto* context = static_cast<Context*>(std::malloc(sizeof(Context)));
  if (context == nullptr) return kJkNoGraphicsContext;
  *context = {image, 0};
  return context;
}

int32_t JkOffScreenGetWidth(int32_t handle) {
  TracePrintfA("JkOffScreenGetWidth(%d)\n", handle);
  return handle == kTestScreenHandle && gScreen.failure != TestScreenFailure::ZeroSize ? gScreen.width : 0;
}

int32_t JkOffScreenGetHeight(int32_t handle) {
  TracePrintfA("JkOffScreenGetHeight(%d)\n", handle);
  return handle == kTestScreenHandle && gScreen.failure != TestScreenFailure::ZeroSize ? gScreen.height : 0;
}

uint32_t JkGraphicsSetColor(void* context, uint32_t rgb) {
  TracePrintfA("JkGraphicsSetColor(0x%06x)\n", rgb);
  static_cast<Context*>(context)->pixel = rgb565(rgb);
  return static_cast<Context*>(context)->pixel;
}

int32_t JkVideoLock() {
  TracePrintfA("JkVideoLock()\n");
  ++gScreen.locks;
  return 0;
}

void JkVideoUnlock(int32_t flush) {
  TracePrintfA("JkVideoUnlock(%d)\n", flush);
  ++gScreen.unlocks;
}

void JkGraphicsFillRect(void* context, const int32_t* r) {
  TracePrintfA("JkGraphicsFillRect(%d, %d, %d, %d)\n", r[0], r[1], r[2], r[3]);
  const auto* c = static_cast<const Context*>(context);
  for (int32_t y = r[1] < 0 ? 0 : r[1]; y < r[1] + r[3] && y < gScreen.height; ++y)
    for (int32_t x = r[0] < 0 ? 0 : r[0]; x < r[0] + r[2] && x < gScreen.width; ++x)
      gScreen.pixels[static_cast<size_t>(y) * static_cast<size_t>(gScreen.width) + static_cast<size_t>(x)] = c->pixel;
}
