// The storage-card index "gfs://sd-card/java/suites.idx", rebuilt from the
// card's files by every scan: a 256-byte header (page count u16 @13, entry
// count u16 @15, zeros elsewhere) and pages of 15 packed 256-byte entries
// (name 64, vendor 64, version 16, base name 64, domain u8, category u8,
// JAR size u32, MIDlet count u8, protected-content flag).
//
// A card suite's id is 256 + page * 15 + position. The process caches the
// header and one page; the file is written only by a scan, as a whole file
// through a renamed temporary. Readers list at most 15 entries per page and
// never past the entry count.
#pragma once

#include <cstdint>

#include "storage/suiteindex.h"

extern const char kOjmsSdIndexUri[];  // "gfs://sd-card/java/suites.idx"
constexpr int32_t kOjmsFirstCardSuite = 256;
constexpr int32_t kOjmsCardSuites = 256;

bool ojms_isSdCardSuite(int32_t id);
int32_t ojms_loadSdIndexPage(int32_t page);
int32_t ojms_flushSdIndexPage();
int32_t ojms_initSdIndex();
int32_t ojms_appendSdSuite(const OjmsSuiteInfo* record, int32_t* id);
int32_t ojms_getSdSuiteCount();
// Fills records (room for kOjmsCardSuites) and returns their number.
int32_t ojms_listSdSuites(OjmsSuiteInfo* records);
int32_t ojms_readSdSuiteRecord(int32_t id, OjmsSuiteInfo* record);
int32_t ojms_findSdSuite(const char* name, const char* vendor);
int32_t ojms_syncSdIndex();
// Rebuilds the card index from the card's .jad/.jar pairs; 0 when at least
// one suite was indexed.
int32_t ojms_scanSdCard();
void ojms_sdCardInserted();
void ojms_sdCardRemoved();
