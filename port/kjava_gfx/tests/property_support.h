// Randomized cases for the property tests: a deterministic generator,
// argument classes (small, about 10^5, the int32 extremes), guarded surfaces
// with clips on, inside and outside their edges, and the confinement check
// that every entry must pass: nothing outside the effective clip or the
// surface's guards changes, and changed pixels hold the drawing pixel.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "port/kjava_gfx/kjava_gfx.h"
#include "port/kjava_gfx/tests/gfx_test_surface.h"

// splitmix64: the same sequence on every platform.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t next();
  // Uniform in lo..hi (inclusive; the bounds may come in either order), with
  // the small bias of a modulo.
  int64_t range(int64_t lo, int64_t hi);
  bool chance(int percent) { return range(0, 99) < percent; }
  // A coordinate near a surface of the given extent, about 10^5, or extreme.
  int32_t coordinate(int32_t extent);
  // A size: mostly small, else about 10^5 or extreme.
  int32_t size(int32_t extent);

 private:
  uint64_t state_;
};

struct Clip {
  std::optional<ClipRect> rect;
  int32_t left, top, right, bottom;  // effective clip

  const ClipRect* get() const { return rect ? &*rect : nullptr; }
  bool contains(int64_t x, int64_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
};

// A clip for a width x height surface: none, its edges, inside, straddling,
// outside, empty or random 16-bit values.
Clip randomClip(Rng& rng, int32_t width, int32_t height);
Clip clipOf(const std::optional<ClipRect>& rect, int32_t width, int32_t height);

// A guarded surface of a random small size filled with a pattern that never
// holds kInk.
std::unique_ptr<TestSurface> randomSurface(Rng& rng);
void fillWithoutInk(TestSurface& s, uint32_t seed);

// Compares before and after (blocks of the same surface): reports a failure
// for any change outside the clip or in the guards and, when `ink` is set,
// for any changed pixel that does not hold it. Returns false on failure.
bool confined(const TestSurface& s, const std::vector<uint16_t>& before, const Clip& clip,
              std::optional<uint16_t> ink, const char* what);

// kInk pixels of the surface inside the clip.
Points inkInside(const TestSurface& s, const Clip& clip);
Points shifted(const Points& points, int32_t dx, int32_t dy);
bool isSubset(const Points& part, const Points& whole);

// How many cases each entry runs.
constexpr int kCasesPerEntry = 100000;
