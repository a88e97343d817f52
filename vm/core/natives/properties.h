// System properties for natives: System.getProperty's values.
//
// A key is asked of the port first (JkPropertyGetString, UTF-16 key); a key
// the port does not answer is looked up in the fixed table of the
// configuration, the platform, the default locale and encoding, the internal
// names of the character encodings and the profiles. A value lives in the
// one 512-byte property buffer (from the memory service) until the next
// look-up:
//
//   property buffer: | key as UTF-16 (at most 256 units) |  ... then
//                    | value as UTF-8, NUL-terminated (at most 511 bytes) |
//
// A key longer than 256 UTF-16 units is refused (0) without asking the
// port: its UTF-16 form would not fit the buffer.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "ce/substrate/vm_word.h"

// The configuration this VM implements: the one definition, also reported
// by the suite-descriptor service.
inline constexpr char kVsMicroeditionConfiguration[] = "CLDC-1.1";

inline constexpr int32_t kPropertyBufferBytes = 512;
inline constexpr int32_t kPropertyKeyUnits = kPropertyBufferBytes / 2;

// The property buffer, 0 before vsProperty_initialize.
extern VmVariable<VmWord> vsProperty_buffer;

// Allocates the property buffer; without memory the VM ends
// (vsNativeMethod_fatalOutOfMemory).
void vsProperty_initialize();
// The value of the key (NUL-terminated UTF-8) in the property buffer, or 0
// when the key has none. An empty key gives "" and a trace line.
const char* vsProperty_getUtf8(const char* key);
// The value of the fixed table, or 0.
const char* vsProperty_getFixed(const char* key);

// A port's string look-up: (UTF-16 key, its units, &value units) -> the
// port's UTF-16 value (not NUL-terminated) or 0.
using VsPortStringGetter = const uint16_t* (*)(const uint16_t* key, int32_t keyLength, int32_t* valueLength);

// Asks the port for a non-empty UTF-8 key through a buffer of bufferBytes
// (the system properties' and the options' look-ups): the key's UTF-16 form
// goes to the buffer's start, the answer comes back as NUL-terminated UTF-8
// over it. 1 with the answer in the buffer; 0 when the port has no value;
// -1, without asking, when the key exceeds bufferBytes / 2 UTF-16 units. An
// answer longer than bufferBytes - 1 UTF-8 bytes writes "<getterName>()
// returned too large string." and ends the VM with the fatal error
// "bufferOverflow".
int32_t vsProperty_askPort(VsPortStringGetter getter, const char* getterName, const char* key, char* buffer,
                           int32_t bufferBytes);
