// Options of the host: named strings that tune the class libraries.
//
// JkOptionGetString takes a key of keyLength UTF-16 units and returns the
// host's value as UTF-16 units (not NUL-terminated, valid until the next
// call) with its length in units stored through valueLength, or null when
// the host has no value for the key; the VM then uses its built-in default.
// Programs that run the VM link the host's definition; test programs and
// launchers link the test port (tools/testport) instead.
#pragma once

#include <cstdint>

const uint16_t* JkOptionGetString(const uint16_t* key, int32_t keyLength, int32_t* valueLength);
