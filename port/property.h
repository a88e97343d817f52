// System-property values of the host, asked by the VM before its own fixed
// table (System.getProperty).
//
// JkPropertyGetString takes a key of keyLength UTF-16 units and returns the
// value as UTF-16 units in a buffer of the host, valid until the next call,
// with its length in units stored through outLength; it returns null (and
// stores 0) for a null key or outLength, or a key it has no value for.
// Programs that run the VM link the host's definition; test programs and
// launchers link the test port (tools/testport) instead.
#pragma once

#include <cstdint>

const uint16_t* JkPropertyGetString(const uint16_t* key, int32_t keyLength, int32_t* outLength);
