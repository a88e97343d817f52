// The CRC-32 of ZIP archives: reflected polynomial 0xEDB88320, initial value
// 0xFFFFFFFF, final complement, one table lookup per byte.
#pragma once

#include <cstdint>

uint32_t vsCrc32(const uint8_t* bytes, uint32_t length);
