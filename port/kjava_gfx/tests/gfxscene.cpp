// gfxscene: renders a fixed scene and writes it as PNG, or compares it with a
// golden PNG by decoded pixels.
//
//   gfxscene render <scene> <out.png>
//   gfxscene compare <scene> <golden.png>   prints "<n> differing pixels"
//
// compare names the first differing pixels (position, expected and actual
// RGBA) and writes a difference image, <scene>-diff.png in the current
// directory: the drawn scene dimmed, each differing pixel opaque red. With
// VS_REBASELINE=1 in the environment it first rewrites the golden with the
// drawn scene.
//
// Each 16-bit pixel maps one to one to an RGBA pixel: the colour as
// kjava_gfx_toARGB gives it, alpha 255 when the opaque bit is set, else 0.
// Exit status: 0 done (and no difference), 1 pixels differ, 2 usage or file
// error.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "port/kjava_gfx/jk_gfx_offscreen.h"
#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/tests/gfx_scenes.h"

namespace {

struct Image {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgba;
};

Image lToImage(const JkSurface& s) {
  Image image{uint32_t(s.width), uint32_t(s.height), {}};
  image.rgba.reserve(size_t(s.width) * s.height * 4);
  for (int32_t i = 0; i < s.width * s.height; ++i) {
    const uint16_t pixel = s.pixels.get()[i];
    const uint32_t argb = kjava_gfx_toARGB(pixel);
    image.rgba.push_back(uint8_t(argb >> 16));
    image.rgba.push_back(uint8_t(argb >> 8));
    image.rgba.push_back(uint8_t(argb));
    image.rgba.push_back((pixel & kJkPixelOpaque) != 0 ? 255 : 0);
  }
  return image;
}

bool lWrite(const char* path, const Image& image) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = image.width;
  png.height = image.height;
  png.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&png, path, 0, image.rgba.data(), 0, nullptr)) {
    std::fprintf(stderr, "gfxscene: cannot write %s: %s\n", path, png.message);
    return false;
  }
  return true;
}

bool lRead(const char* path, Image* image) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path)) {
    std::fprintf(stderr, "gfxscene: cannot read %s: %s\n", path, png.message);
    return false;
  }
  png.format = PNG_FORMAT_RGBA;
  image->width = png.width;
  image->height = png.height;
  image->rgba.assign(PNG_IMAGE_SIZE(png), 0);
  if (!png_image_finish_read(&png, nullptr, image->rgba.data(), 0, nullptr)) {
    std::fprintf(stderr, "gfxscene: cannot decode %s: %s\n", path, png.message);
    return false;
  }
  return true;
}

constexpr size_t kNamedDifferences = 5;

uint32_t lRgbaAt(const Image& image, size_t i) {
  return uint32_t(image.rgba[i]) << 24 | uint32_t(image.rgba[i + 1]) << 16 |
         uint32_t(image.rgba[i + 2]) << 8 | image.rgba[i + 3];
}

// Prints the first differing pixels and writes the difference image.
void lReportDifferences(const char* scene, const Image& drawn, const Image& golden) {
  Image diff{drawn.width, drawn.height, drawn.rgba};
  size_t differing = 0;
  for (size_t i = 0; i < drawn.rgba.size(); i += 4) {
    if (std::memcmp(&drawn.rgba[i], &golden.rgba[i], 4) == 0) {
      for (size_t c = 0; c < 3; ++c) diff.rgba[i + c] = uint8_t(diff.rgba[i + c] / 4);
      diff.rgba[i + 3] = 255;
      continue;
    }
    if (differing < kNamedDifferences) {
      const size_t pixel = i / 4;
      std::printf("pixel (%zu, %zu): expected %08x, actual %08x\n", pixel % drawn.width, pixel / drawn.width,
                  lRgbaAt(golden, i), lRgbaAt(drawn, i));
    }
    ++differing;
    diff.rgba[i] = 255;
    diff.rgba[i + 1] = diff.rgba[i + 2] = 0;
    diff.rgba[i + 3] = 255;
  }
  if (differing != 0) {
    const std::string path = std::string(scene) + "-diff.png";
    if (lWrite(path.c_str(), diff)) std::printf("difference image: %s\n", path.c_str());
  }
}

int lUsage() {
  std::fprintf(stderr,
               "usage: gfxscene render <scene> <out.png>\n"
               "       gfxscene compare <scene> <golden.png>\n"
               "scenes: lines rects triangles arcs blits\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return lUsage();
  const bool render = std::strcmp(argv[1], "render") == 0;
  if (!render && std::strcmp(argv[1], "compare") != 0) return lUsage();
  JkSurface* surface = gfxScene_render(argv[2]);
  if (surface == nullptr) {
    std::fprintf(stderr, "gfxscene: no scene \"%s\"\n", argv[2]);
    return lUsage();
  }
  const Image drawn = lToImage(*surface);
  JkOffScreenDestroy(jkSurface_toHandle(surface));
  if (render) return lWrite(argv[3], drawn) ? 0 : 2;

  const char* rebaseline = std::getenv("VS_REBASELINE");
  if (rebaseline != nullptr && std::strcmp(rebaseline, "1") == 0) {
    if (!lWrite(argv[3], drawn)) return 2;
    std::fprintf(stderr, "gfxscene: rewrote %s\n", argv[3]);
  }
  Image golden;
  if (!lRead(argv[3], &golden)) return 2;
  if (golden.width != drawn.width || golden.height != drawn.height) {
    std::printf("size %ux%u, golden %ux%u\n", drawn.width, drawn.height, golden.width, golden.height);
    return 1;
  }
  size_t differing = 0;
  for (size_t i = 0; i < drawn.rgba.size(); i += 4)
    differing += std::memcmp(&drawn.rgba[i], &golden.rgba[i], 4) != 0;
  std::printf("%zu differing pixels\n", differing);
  if (differing != 0) lReportDifferences(argv[2], drawn, golden);
  return differing == 0 ? 0 : 1;
}
