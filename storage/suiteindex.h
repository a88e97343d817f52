// The suite index of phone memory ("gfs://java/suites.idx"): a 256-byte
// header and pages of 15 slots of 256 bytes, one slot per installed suite.
//
//   0       header: magic, page count (u16 @10), suites in use (u16 @12),
//           next install sequence number (u16 @14)
//   256     page 0: slot 0 .. slot 14 (256 bytes each)
//   4096    page 1 ...
//
// A suite id n (0 to 255) addresses page n / 15, slot n mod 15. The process
// caches the header and one page; the cached header stays valid when the
// page is written back, so appending a page is bounded by the header this
// process holds. The file is written back only when this process changed
// the header or page, always as a whole file through a temporary renamed
// over it (ojmsfile.h), so a reader never sees half a write-back.
#pragma once

#include <cstddef>
#include <cstdint>

// The record every list and read operation fills (runs of 32-bit fields).
struct OjmsSuiteInfo {
  int32_t id;
  char name[64];
  char vendor[64];
  char version[16];
  char directory[64];  // the directory URI, or a card suite's base name
  uint32_t domain;
  uint32_t category;
  uint32_t romSuite;
  uint32_t protectedContent;
  uint32_t jarSize;
  uint32_t midletCount;
};
static_assert(offsetof(OjmsSuiteInfo, name) == 4);
static_assert(offsetof(OjmsSuiteInfo, vendor) == 68);
static_assert(offsetof(OjmsSuiteInfo, version) == 132);
static_assert(offsetof(OjmsSuiteInfo, directory) == 148);
static_assert(offsetof(OjmsSuiteInfo, domain) == 212);
static_assert(offsetof(OjmsSuiteInfo, jarSize) == 228);
static_assert(sizeof(OjmsSuiteInfo) == 236);

constexpr int32_t kOjmsHeaderBytes = 256;
constexpr int32_t kOjmsSlotBytes = 256;
constexpr int32_t kOjmsSlotsPerPage = 15;
constexpr int32_t kOjmsPageBytes = kOjmsSlotBytes * kOjmsSlotsPerPage;
static_assert(kOjmsPageBytes == 3840);
// Phone memory holds ids 0 to 255; ids from 256 are card suites.
constexpr int32_t kOjmsPhoneSuites = 256;
constexpr int32_t kOjmsMaxMidlets = 9;

extern const char kOjmsIndexUri[];  // "gfs://java/suites.idx"

int32_t ojms_loadIndexPage(int32_t page);
int32_t ojms_flushIndexPage();
int32_t ojms_openIndex();
int32_t ojms_closeIndex(int32_t flag);
int32_t ojms_readSuiteRecord(int32_t id, OjmsSuiteInfo* record);
int32_t ojms_writeSuiteRecord(const OjmsSuiteInfo* record, int32_t id);
int32_t ojms_addSuiteRecord(const OjmsSuiteInfo* record, int32_t* id);
int32_t ojms_deleteSuiteRecord(int32_t id);
int32_t ojms_setSuiteCategory(int32_t id, int32_t category);
int32_t ojms_countSuites(int32_t category);
// Fills records (room for kOjmsPhoneSuites) and returns their number.
int32_t ojms_listSuites(OjmsSuiteInfo* records, int32_t category);
int32_t ojms_findSuiteInMemory(const char* name, const char* vendor);
int32_t ojms_syncIndex();
int32_t ojms_truncateIndex(int32_t pages);
// Forgets the cached header and page without writing them.
void ojms_discardIndexCache();
// Copies the cached header and the slot of a phone id (its page made the
// cached one) into header and slot (256 bytes each).
int32_t ojms_captureIndexRecord(int32_t id, uint8_t* header, uint8_t* slot);
// Writes a header and the slot of a phone id into the index file (a whole-
// file write-back over the file's other pages); the cache is dropped
// without being written, before and after.
int32_t ojms_applyIndexRecord(int32_t id, const uint8_t* header, const uint8_t* slot);
