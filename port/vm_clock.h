// The wall clock in milliseconds since 1970-01-01 00:00:00 UTC.
//
// SystemTimeToMillis counts days with the Gregorian leap-year rule (every
// fourth year, but not centuries unless divisible by 400).
#pragma once

#include <cstdint>

#include "ce/core/clock.h"

int64_t SystemTimeToMillis(const SYSTEMTIME& time);

// The current time as two words; nothing when either pointer is null.
void JkGetCurrentTimeMillis(uint32_t* high, uint32_t* low);
