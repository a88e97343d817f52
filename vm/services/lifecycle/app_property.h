// Attributes of the running application, from the JAD and the JAR
// manifest of the launch record (launch_record.h).
//
// vsApp_getProperty (midlet_hooks.h) merges both with the JAD first, so the
// JAD's value wins where both have the key; without a JAD in the launch
// record (size, address and reader all 0) the manifest alone answers. The
// key is converted from UTF-16 into a block of 3 x keyLength + 1 bytes.
// The result is the value's full UTF-8 length, of which min(length,
// outSize) bytes are copied (a caller whose buffer was too small asks
// again); -1 when the key is absent; -2 when the descriptor environment,
// the JAR, its manifest, the JAD, the merge or the key's block cannot be
// had (nothing copied). Every block and handle is released again.
#pragma once

#include <cstdint>

#include "vm/core/natives/midlet_hooks.h"

// The same from the JAD alone.
int32_t vsApp_getJadProperty(const uint16_t* key, int32_t keyLength, uint8_t* out, int32_t outSize);
