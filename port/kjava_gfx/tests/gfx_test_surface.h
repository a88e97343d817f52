// Surfaces for the graphics tests: a writable surface whose pixel buffer is
// framed by guard pixels, filled with a background value or a pattern, with
// readers for what a drawing call changed.
//
//   block: | guard ... | width x height pixels | guard ... |
//                      ^ JkSurface::pixels
//
// The block comes from the graphics allocator, so in the sanitizer build an
// overrun past the far guard also hits the allocator's poisoned redzone.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "port/kjava_gfx/jk_surface.h"
#include "port/kjava_gfx/kjava_gfx.h"

using Point = std::pair<int32_t, int32_t>;  // (x, y)
using Points = std::set<Point>;

constexpr uint16_t kBackground = 0x1234;
constexpr uint16_t kInk = 0xF81F;  // magenta, opaque bit clear

class TestSurface {
 public:
  TestSurface(int32_t width, int32_t height, int32_t guard = 32);
  ~TestSurface();
  TestSurface(const TestSurface&) = delete;
  TestSurface& operator=(const TestSurface&) = delete;

  JkSurface* get() { return surface_; }
  int32_t width() const { return surface_->width; }
  int32_t height() const { return surface_->height; }
  uint16_t at(int32_t x, int32_t y) const;
  void set(int32_t x, int32_t y, uint16_t value);

  // Every pixel and guard to `value`, or to a fixed pseudo-random pattern.
  void fill(uint16_t value);
  void fillPattern(uint32_t seed);
  // The whole block (guards included), to compare before and after a call.
  std::vector<uint16_t> block() const;
  // Pixels equal to `value`.
  Points withValue(uint16_t value = kInk) const;
  // Rows of '#' (kInk) and '.' (anything else).
  std::string art() const;
  // What a call drew on a surface filled with kBackground: the changed
  // pixels. Reports a test failure when a guard changed or a changed pixel is
  // not kInk.
  Points drawn() const;

 private:
  JkSurface* surface_;
  uint16_t* block_;
  int32_t guard_;
};

// Points of a horizontal run x0..x1 on row y, a vertical run, and unions.
Points rowRun(int32_t y, int32_t x0, int32_t x1);
Points columnRun(int32_t x, int32_t y0, int32_t y1);
Points unite(std::initializer_list<Points> parts);
