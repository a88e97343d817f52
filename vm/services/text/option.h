// Options: named strings through which the platform tunes the class
// libraries (user-interface words, permission-dialog texts, colours as
// "0x00RRGGBB", numbers and switches as decimal text, the default time zone).
//
// A UTF-8 key is asked of the port first (JkOptionGetString, UTF-16 key);
// a key the port does not answer is looked up in the 36 built-in defaults,
// whose keys match by exact length and bytes (letter case matters). The
// port's answers live in the one 512-byte option buffer of the run (from
// the memory service) until the next look-up:
//
//   option buffer: | key as UTF-16 (at most 256 units) |  ... then
//                  | answer as UTF-8, NUL-terminated (at most 511 bytes) |
//
// A key longer than 256 UTF-16 units gives null without asking the port; an
// answer longer than 511 UTF-8 bytes ends the VM ("bufferOverflow").
//
// Beside the strings: a registry of 10 numeric values {id, value} (ids
// compared on their low 7 bits, id 0 marks a free entry) and a serial
// counter. All state is VM variables, reset before every run; VM thread only.
#pragma once

#include <cstdint>

inline constexpr int32_t kVsOption_bufferBytes = 512;
inline constexpr int32_t kVsOption_defaultCount = 36;
inline constexpr int32_t kVsOption_valueSlots = 10;
inline constexpr int32_t kVsOption_noValue = -100;

// Allocates the option buffer; without memory the VM ends
// (vsNativeMethod_fatalOutOfMemory).
void vsOption_initialize();
// The value of the key (NUL-terminated UTF-8), or null when neither the port
// nor the defaults know it. An empty key gives "" and a trace line.
const char* vsOption_getUtf8(const char* key);
// The built-in default of the key (valid for ever), or null.
const char* vsOption_getDefault(const char* key);

// The value stored under id's low 7 bits, or kVsOption_noValue. The first
// argument is not used.
int32_t vsOption_getValue(int32_t ignored, int32_t id);
// Stores the value under id's low 7 bits (its entry, else the first free
// one); with all 10 entries taken by other ids it logs an error and stores
// nothing. The first argument is not used.
void vsOption_setValue(int32_t ignored, int32_t id, int32_t value);
// The run's serial counter after adding 1: 1, 2, 3 ...
int32_t vsOption_nextSerial();
