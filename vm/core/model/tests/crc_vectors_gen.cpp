// Writes test vectors for the CRC-32: 1000 pseudo-random buffers of 0 to
// 4096 bytes with their CRC computed by zlib. Format, little-endian words:
// count, then per buffer: length, bytes, crc.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace {

void putWord(std::FILE* f, uint32_t w) {
  const uint8_t b[4] = {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w >> 16),
                        static_cast<uint8_t>(w >> 24)};
  std::fwrite(b, 1, 4, f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: crc_vectors_gen OUTPUT\n");
    return 2;
  }
  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::mt19937 random(20050704);
  constexpr uint32_t kCount = 1000;
  putWord(f, kCount);
  std::vector<uint8_t> buffer;
  for (uint32_t i = 0; i < kCount; ++i) {
    buffer.resize(random() % 4097);
    for (uint8_t& b : buffer) b = static_cast<uint8_t>(random());
    const uint32_t crc = static_cast<uint32_t>(crc32(0L, buffer.data(), static_cast<uInt>(buffer.size())));
    putWord(f, static_cast<uint32_t>(buffer.size()));
    std::fwrite(buffer.data(), 1, buffer.size(), f);
    putWord(f, crc);
  }
  return std::fclose(f) == 0 ? 0 : 1;
}
