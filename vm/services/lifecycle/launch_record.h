// The host's application record and the run's launch record.
//
//   JKT_MIDP_Application (10 words, given by the host)
//   +0  jarSize       +4  jarAddr (or 0)   +8  jarRead (reader, or 0)
//   +12 className (or 0)                   +16 classNameLen
//   +20 jadSize       +24 jadAddr (or 0)   +28 jadRead (reader, or 0)
//   +32 trusted (1 trusted)                +36 tckInfo (or 0)
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

using VsAppReader = int32_t (*)(void* buffer, int32_t offset, int32_t size);

struct JKT_MIDP_Application {
  int32_t jarSize;
  VmPtr<const uint8_t> jarAddr;
  VmWord jarRead;
  VmPtr<const char> className;
  int32_t classNameLen;
  int32_t jadSize;
  VmPtr<const uint8_t> jadAddr;
  VmWord jadRead;
  int32_t trusted;
  VmWord tckInfo;
};
static_assert(sizeof(JKT_MIDP_Application) == 40);
static_assert(offsetof(JKT_MIDP_Application, className) == 12 && offsetof(JKT_MIDP_Application, jadSize) == 20 &&
              offsetof(JKT_MIDP_Application, jadRead) == 28 && offsetof(JKT_MIDP_Application, tckInfo) == 36);

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

// Fills the run's launch record from the application record.
void vsLaunch_setRecord(const JKT_MIDP_Application* app);
const VsLaunchRecord& vsLaunch_record();
