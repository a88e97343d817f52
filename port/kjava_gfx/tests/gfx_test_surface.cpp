#include "port/kjava_gfx/tests/gfx_test_surface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "port/kjava_gfx/jk_gfx_memory.h"

TestSurface::TestSurface(int32_t width, int32_t height, int32_t guard) : guard_(guard) {
  const size_t count = size_t(width) * size_t(height) + 2 * size_t(guard);
  surface_ = static_cast<JkSurface*>(jkGfx_alloc(sizeof(JkSurface)));
  block_ = static_cast<uint16_t*>(jkGfx_alloc(count * 2));
  if (surface_ == nullptr || block_ == nullptr) {
    std::fprintf(stderr, "test surface %dx%d: out of memory\n", width, height);
    std::abort();
  }
  surface_->pixels = block_ + guard;
  surface_->width = width;
  surface_->height = height;
  surface_->transparent = 0;
  surface_->writable = 1;
  fill(kBackground);
}

TestSurface::~TestSurface() {
  jkGfx_free(block_);
  jkGfx_free(surface_);
}

uint16_t TestSurface::at(int32_t x, int32_t y) const {
  return surface_->pixels.get()[size_t(y) * size_t(width()) + size_t(x)];
}

void TestSurface::set(int32_t x, int32_t y, uint16_t value) {
  surface_->pixels.get()[size_t(y) * size_t(width()) + size_t(x)] = value;
}

void TestSurface::fill(uint16_t value) {
  const size_t count = size_t(width()) * size_t(height()) + 2 * size_t(guard_);
  for (size_t i = 0; i < count; ++i)
    block_[i] = value;
}

void TestSurface::fillPattern(uint32_t seed) {
  const size_t count = size_t(width()) * size_t(height()) + 2 * size_t(guard_);
  uint32_t state = seed * 2654435761u + 1;
  for (size_t i = 0; i < count; ++i) {
    state = state * 1664525u + 1013904223u;
    block_[i] = static_cast<uint16_t>(state >> 16);
  }
}

std::vector<uint16_t> TestSurface::block() const {
  const size_t count = size_t(width()) * size_t(height()) + 2 * size_t(guard_);
  return std::vector<uint16_t>(block_, block_ + count);
}

Points TestSurface::withValue(uint16_t value) const {
  Points points;
  for (int32_t y = 0; y < height(); ++y)
    for (int32_t x = 0; x < width(); ++x)
      if (at(x, y) == value)
        points.insert({x, y});
  return points;
}

std::string TestSurface::art() const {
  std::string text;
  for (int32_t y = 0; y < height(); ++y) {
    for (int32_t x = 0; x < width(); ++x)
      text += at(x, y) == kInk ? '#' : '.';
    text += '\n';
  }
  return text;
}

Points TestSurface::drawn() const {
  const size_t pixels = size_t(width()) * size_t(height());
  for (size_t i = 0; i < size_t(guard_); ++i) {
    EXPECT_EQ(block_[i], kBackground) << "guard before the pixels, word " << i;
    EXPECT_EQ(block_[guard_ + pixels + i], kBackground) << "guard after the pixels, word " << i;
  }
  Points points;
  for (int32_t y = 0; y < height(); ++y)
    for (int32_t x = 0; x < width(); ++x)
      if (at(x, y) != kBackground) {
        EXPECT_EQ(at(x, y), kInk) << "pixel (" << x << "," << y << ")";
        points.insert({x, y});
      }
  return points;
}

Points rowRun(int32_t y, int32_t x0, int32_t x1) {
  Points points;
  for (int32_t x = x0; x <= x1; ++x)
    points.insert({x, y});
  return points;
}

Points columnRun(int32_t x, int32_t y0, int32_t y1) {
  Points points;
  for (int32_t y = y0; y <= y1; ++y)
    points.insert({x, y});
  return points;
}

Points unite(std::initializer_list<Points> parts) {
  Points all;
  for (const Points& p : parts)
    all.insert(p.begin(), p.end());
  return all;
}

