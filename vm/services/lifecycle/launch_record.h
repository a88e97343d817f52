// The run's launch record, filled from the host's application record
// (JKT_MIDP_Application, midp_application.h) or, in a test run, from the
// test agent's buffers.
//
//   VsLaunchRecord (8 words, per run): JAR {size, address, reader}, two
//   zero words, JAD {size, address, reader}
//
// Addresses and readers are words: the host's buffers and code lie below
// 4 GiB. A reader is VsAppReader: (buffer, offset, size) -> bytes read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/services/descriptor/midp_application.h"

using VsAppReader = int32_t (*)(void* buffer, int32_t offset, int32_t size);

struct VsLaunchSource {
  int32_t size;
  VmPtr<const uint8_t> address;
  VmWord reader;  // VsAppReader as a word
};
static_assert(sizeof(VsLaunchSource) == 12);

struct VsLaunchRecord {
  VsLaunchSource jar;
  VmWord reserved[2];
  VsLaunchSource jad;
};
static_assert(sizeof(VsLaunchRecord) == 32 && offsetof(VsLaunchRecord, jad) == 20);

inline VsAppReader vsLaunch_reader(VmWord word) {
  return reinterpret_cast<VsAppReader>(static_cast<uintptr_t>(word));
}

// Fills the run's launch record.
void vsLaunch_setRecord(const VsLaunchSource& jar, const VsLaunchSource& jad);
const VsLaunchRecord& vsLaunch_record();
