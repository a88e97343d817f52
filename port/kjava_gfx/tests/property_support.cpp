#include "port/kjava_gfx/tests/property_support.h"

#include <algorithm>
#include <climits>

uint64_t Rng::next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int64_t Rng::range(int64_t lo, int64_t hi) {
  if (hi < lo)
    std::swap(lo, hi);
  const uint64_t span = uint64_t(hi - lo) + 1;
  return lo + int64_t(next() % span);
}

int32_t Rng::coordinate(int32_t extent) {
  const int64_t kind = range(0, 9);
  if (kind < 6)
    return int32_t(range(-8, extent + 8));
  if (kind < 8)
    return int32_t(range(-100000, 100000));
  if (kind < 9) {
    const int32_t edges[] = {INT_MIN, INT_MIN + 1, INT_MAX, INT_MAX - 1, -1, 0, 1};
    return edges[range(0, 6)];
  }
  return int32_t(uint32_t(next()));
}

int32_t Rng::size(int32_t extent) {
  const int64_t kind = range(0, 9);
  if (kind < 7)
    return int32_t(range(-2, extent + 4));
  if (kind < 9)
    return int32_t(range(-100000, 100000));
  return coordinate(extent);
}

Clip clipOf(const std::optional<ClipRect>& rect, int32_t width, int32_t height) {
  Clip c{rect, 0, 0, width, height};
  if (rect) {
    c.left = std::max<int32_t>(rect->x, 0);
    c.top = std::max<int32_t>(rect->y, 0);
    c.right = std::min<int32_t>(rect->x + rect->width, width);
    c.bottom = std::min<int32_t>(rect->y + rect->height, height);
  }
  return c;
}

Clip randomClip(Rng& rng, int32_t w, int32_t h) {
  auto i16 = [](int64_t v) { return int16_t(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX)); };
  std::optional<ClipRect> rect;
  switch (rng.range(0, 7)) {
    case 0:
      break;
    case 1:  // on the edges
      rect = ClipRect{0, 0, i16(w), i16(h)};
      break;
    case 2:
    case 3: {  // inside
      const int64_t x = rng.range(0, w - 1);
      const int64_t y = rng.range(0, h - 1);
      rect = ClipRect{i16(x), i16(y), i16(rng.range(1, w - x)), i16(rng.range(1, h - y))};
      break;
    }
    case 4:
    case 5:  // straddling the edges
      rect = ClipRect{i16(rng.range(-6, w)), i16(rng.range(-6, h)), i16(rng.range(0, w + 12)),
                      i16(rng.range(0, h + 12))};
      break;
    case 6:  // outside or empty
      rect = ClipRect{i16(rng.chance(50) ? w + rng.range(0, 5) : -rng.range(20, 40)),
                      i16(rng.range(-3, h)), i16(rng.range(-3, 10)), i16(rng.range(-3, 10))};
      break;
    default:  // any 16-bit values
      rect = ClipRect{int16_t(rng.next()), int16_t(rng.next()), int16_t(rng.next()),
                      int16_t(rng.next())};
      break;
  }
  return clipOf(rect, w, h);
}

void fillWithoutInk(TestSurface& s, uint32_t seed) {
  s.fillPattern(seed);
  for (int32_t y = 0; y < s.height(); ++y)
    for (int32_t x = 0; x < s.width(); ++x)
      if (s.at(x, y) == kInk)
        s.set(x, y, kInk ^ 1);
}

std::unique_ptr<TestSurface> randomSurface(Rng& rng) {
  const int32_t sizes[][2] = {{17, 13}, {24, 20}, {1, 1}, {40, 3}, {3, 31}, {32, 32}};
  const auto& size = sizes[rng.range(0, 5)];
  auto s = std::make_unique<TestSurface>(size[0], size[1], 16);
  fillWithoutInk(*s, uint32_t(rng.next()));
  return s;
}

bool confined(const TestSurface& s, const std::vector<uint16_t>& before, const Clip& clip,
              std::optional<uint16_t> ink, const char* what) {
  const std::vector<uint16_t> after = s.block();
  const size_t pixels = size_t(s.width()) * size_t(s.height());
  const size_t guard = (after.size() - pixels) / 2;
  for (size_t i = 0; i < after.size(); ++i) {
    if (after[i] == before[i])
      continue;
    if (i < guard || i >= guard + pixels) {
      ADD_FAILURE() << what << ": guard word " << i << " changed";
      return false;
    }
    const int64_t x = int64_t(i - guard) % s.width();
    const int64_t y = int64_t(i - guard) / s.width();
    if (!clip.contains(x, y)) {
      ADD_FAILURE() << what << ": pixel (" << x << "," << y << ") outside the clip changed";
      return false;
    }
    if (ink && after[i] != *ink) {
      ADD_FAILURE() << what << ": pixel (" << x << "," << y << ") got " << after[i];
      return false;
    }
  }
  return true;
}

Points inkInside(const TestSurface& s, const Clip& clip) {
  Points points;
  for (int32_t y = clip.top; y < clip.bottom; ++y)
    for (int32_t x = clip.left; x < clip.right; ++x)
      if (s.at(x, y) == kInk)
        points.insert({x, y});
  return points;
}

Points shifted(const Points& points, int32_t dx, int32_t dy) {
  Points moved;
  for (const Point& p : points)
    moved.insert({p.first + dx, p.second + dy});
  return moved;
}

bool isSubset(const Points& part, const Points& whole) {
  return std::includes(whole.begin(), whole.end(), part.begin(), part.end());
}
