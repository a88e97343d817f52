// The suite-storage face the two programs use: start and end the storage,
// count, list and sort the installed suites of phone memory and storage
// card together, find a suite, read its MIDlets, icons and JAD attributes,
// and keep the current suite.
//
// Invariants: ids 0 to 255 are phone suites, 256 to 511 card suites (read
// from the card index only while a card is in use); every call returns 0
// (or the value asked for), or -1 with the storage layer's last error; a
// JAD text is read whole only when it is at most 2048 bytes; start-up resets
// the preinstalled suites' settings only under the install lock.
#pragma once

#include <cstdint>

#include "storage/ojmstext.h"
#include "storage/suiteindex.h"

// An attribute as the attribute functions fill it.
struct OjmsAttribute {
  char name[64];
  char value[256];
};

// Sort keys of ojms_getSuiteList.
enum OjmsSortKey : int32_t {
  OJMS_SORT_NAME = 1,
  OJMS_SORT_VENDOR = 2,
  OJMS_SORT_CATEGORY = 3,
  OJMS_SORT_ROM = 4,
  OJMS_SORT_PROTECTED = 5,
  OJMS_SORT_JAR_SIZE = 6,
};

constexpr int32_t kOjmsJadAttributeCount = 44;
constexpr int32_t kOjmsJadUrlProperty = 129;
constexpr int32_t kOjmsMaxJadText = 2048;

int32_t ojms_init();
int32_t ojms_fini();

int32_t ojms_getSuiteCount(int32_t category);
// records holds ojms_getSuiteCount(category) entries.
int32_t ojms_getSuiteList(int32_t category, OjmsSuiteInfo* records, int32_t key);
int32_t ojms_getSuiteInfo(int32_t id, OjmsSuiteInfo* record);
int32_t ojms_findSuite(const char* name, const char* vendor);
int32_t ojms_getMidletCount(int32_t id);
int32_t ojms_getMidletInfo(int32_t id, int32_t m, OjmsMidletInfo* record);
int32_t ojms_getMidletIconSize(int32_t id, int32_t m);
int32_t ojms_getMidletIcon(int32_t id, int32_t m, void* buffer, int32_t length);
int32_t ojms_getJadProperty(int32_t id, int32_t index, OjmsAttribute* record);
int32_t ojms_getJadAttributeValue(int32_t id, const char* name, OjmsAttribute* record);
int32_t ojms_getCurrentSuite();
void ojms_setCurrentSuite(int32_t id);
