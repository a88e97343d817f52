// The application record with which the host starts a MIDP application,
// and the compatibility-test parameters it may carry.
//
//   JKT_MIDP_Application (10 words)
//   +0 jarSize    +4 jarAddr (or 0)   +8 jarRead (reader word, used when
//   jarAddr is 0)  +12 className (or 0, not terminated)  +16 classNameLen
//   +20 jadSize   +24 jadAddr (or 0)  +28 jadRead (reader word)
//   +32 trusted (1 = trusted)         +36 tckInfo (or 0)
//
//   VsTckInfo (13 words), filled by the host's test loop
//   +0, +4   kept for the host
//   +8  JAR buffer          +12 length of a test JAR already in it
//   +16 JAR buffer size
//   +20 descriptor buffer   +24 receives the descriptor length
//   +28 descriptor buffer size
//   +32 JAR-URL buffer      +36 its size
//   +40 class-name buffer   +44 its size
//   +48 nonzero when the test JAR, its descriptor and class name are
//       already in the buffers (nothing is fetched)
//
// Readers are called (buffer, offset, size) and answer the bytes read.
// Every address is a low-memory VM word.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

struct VsTckInfo {
  int32_t hostWords[2];
  VmPtr<uint8_t> jarBuffer;
  int32_t jarLength;
  int32_t jarSize;
  VmPtr<uint8_t> descriptorBuffer;
  int32_t descriptorLength;
  int32_t descriptorSize;
  VmPtr<char> jarUrlBuffer;
  int32_t jarUrlSize;
  VmPtr<char> classNameBuffer;
  int32_t classNameSize;
  int32_t preloaded;
};
static_assert(sizeof(VsTckInfo) == 13 * 4);
static_assert(offsetof(VsTckInfo, jarBuffer) == 8 && offsetof(VsTckInfo, jarLength) == 12 &&
              offsetof(VsTckInfo, descriptorBuffer) == 20 && offsetof(VsTckInfo, descriptorLength) == 24 &&
              offsetof(VsTckInfo, jarUrlBuffer) == 32 && offsetof(VsTckInfo, classNameBuffer) == 40 &&
              offsetof(VsTckInfo, preloaded) == 48);

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
  VmPtr<VsTckInfo> tckInfo;
};
static_assert(sizeof(JKT_MIDP_Application) == 10 * 4);
static_assert(offsetof(JKT_MIDP_Application, jarRead) == 8 &&
              offsetof(JKT_MIDP_Application, classNameLen) == 16 &&
              offsetof(JKT_MIDP_Application, jadSize) == 20 &&
              offsetof(JKT_MIDP_Application, jadRead) == 28 && offsetof(JKT_MIDP_Application, tckInfo) == 36);
