// The identity-hash generator: a 32-bit VM variable seeded with 0x23451921
// at each VM start; each step sets x = 11 - 554899859 * x (modulo 2^32).
#pragma once

#include <cstdint>

// Steps the generator and returns the new value.
uint32_t vsMonitor_nextHash();
