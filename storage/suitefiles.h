// Per-suite files of the suite storage: the names of a suite's files by
// kind, the descriptor summary (.jdx) and the security settings (.mss),
// each read and written through a one-suite cache.
//
//   .jdx: header (336 bytes: JAR URI 64, JAD URL 256, 4 bytes of text, JAD
//         size u32, JAR size u32, version u8 x 3, entry count u8), then one
//         384-byte entry per MIDlet (class 256, name 64, icon 64); at most 10
//   .mss: 10 zero bytes, domain u8, count u8 (at most 30), count u32 settings
//
// A storage-card suite (while a card is in use) has neither file: its
// header and MIDlets come from the card's .jad and index. Invariants: a
// file whose count exceeds its bound is refused (256); every text read is
// terminated inside its field; writes replace the whole file through a
// renamed temporary.
#pragma once

#include <cstddef>
#include <cstdint>

#include "storage/ojmstext.h"

// File kinds of a suite.
enum OjmsFileKind : int32_t {
  OJMS_KIND_INDEX = 1,
  OJMS_KIND_CATEGORIES = 2,
  OJMS_KIND_JDX = 3,
  OJMS_KIND_JAR = 4,
  OJMS_KIND_RAW = 5,
  OJMS_KIND_MSS = 6,
  OJMS_KIND_RS1 = 7,
  OJMS_KIND_RS2 = 8,
  OJMS_KIND_RS3 = 9,
  OJMS_KIND_DIRECTORY = 10,
};

struct OjmsJdxHeader {
  char jarUri[64];
  char jadUrl[256];
  uint8_t text[4];
  uint32_t jadSize;
  uint32_t jarSize;
  uint32_t version[3];
  uint32_t entryCount;
};
static_assert(offsetof(OjmsJdxHeader, jadSize) == 324);
static_assert(offsetof(OjmsJdxHeader, version) == 332);
static_assert(sizeof(OjmsJdxHeader) == 348);

constexpr int32_t kOjmsSpecialSuite = 999;
constexpr int32_t kOjmsMaxJdxEntries = 10;
constexpr int32_t kOjmsMaxMssSettings = 30;

// The URI of a suite's file of a kind, in a static buffer valid until the
// next call; empty for an unknown kind or a suite without such a file.
const char* ojms_getSuiteFilePath(int32_t id, int32_t kind);
// Kinds 1 to 9 from a given directory, without reading the index.
const char* ojms_getSuiteFilePathOf(const char* directory, int32_t id, int32_t kind);
// "gfs://java/<id>_<n>.tmp".
const char* ojms_getTempFilePath(int32_t id, int32_t n);

int32_t ojms_openJdx(int32_t id);
int32_t ojms_closeJdx(int32_t flag);
int32_t ojms_getJdxHeader(OjmsJdxHeader* header);
int32_t ojms_setJdxHeader(const OjmsJdxHeader* header);
int32_t ojms_getJdxMidlet(int32_t i, OjmsMidletInfo* record);
int32_t ojms_setJdxMidlet(int32_t i, const OjmsMidletInfo* record);

// Writes the cached .jdx whole into a file (a temporary of a commit).
int32_t ojms_writeJdxTo(const char* uri);

int32_t ojms_openMss(int32_t id);
// Starts the cache of a suite's new .mss without reading the old one.
int32_t ojms_createMss(int32_t id);
// Writes the cached .mss whole into a file (a temporary of a commit).
int32_t ojms_writeMssTo(const char* uri);
int32_t ojms_closeMss(int32_t flag);
int32_t ojms_setMssDomain(int32_t domain, int32_t count);
int32_t ojms_getMssDomain(int32_t* domain, int32_t* count);
int32_t ojms_setMssSetting(int32_t i, uint32_t value);
int32_t ojms_getMssSetting(int32_t i, uint32_t* value);
int32_t ojms_setMssSettings(const uint32_t* values);
int32_t ojms_getMssSettings(uint32_t* values);
