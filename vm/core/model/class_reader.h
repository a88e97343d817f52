// The big-endian reader of class-file bytes: {buffer, position, end} as VM
// words (addresses), so the collector can turn them into offsets and back.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"

struct ClassReader {
  VmWord buffer;
  VmWord position;
  VmWord end;
};

// The 16-bit value at the position, which advances by 2; reading past the
// end raises VM error 44 (truncated class file), returns 0 and leaves the
// position.
uint16_t vsClassReader_readU16(ClassReader* reader);
