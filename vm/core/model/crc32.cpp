// CRC-32 (see crc32.h); the table is computed at compile time.
#include "vm/core/model/crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> buildTable() {
  std::array<uint32_t, 256> t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[n] = c;
  }
  return t;
}

constexpr std::array<uint32_t, 256> kTable = buildTable();
static_assert(kTable[1] == 0x77073096u && kTable[255] == 0x2D02EF8Du);

}  // namespace

uint32_t vsCrc32(const uint8_t* bytes, uint32_t length) {
  uint32_t c = 0xFFFFFFFFu;
  for (uint32_t i = 0; i < length; ++i) c = kTable[(c ^ bytes[i]) & 0xff] ^ (c >> 8);
  return ~c;
}
