// The storage-card index and its scan (see sdindex.h).
#include "storage/sdindex.h"

#include <cstdlib>
#include <cstring>

#include "storage/categories.h"
#include "storage/ojfs.h"
#include "storage/ojmsfile.h"
#include "storage/ojmstext.h"
#include "storage/roots.h"

const char kOjmsSdIndexUri[] = "gfs://sd-card/java/suites.idx";

namespace {

constexpr int32_t kPageCountAt = 13;
constexpr int32_t kEntryCountAt = 15;
constexpr char kCardDirectory[] = "gfs://sd-card/java/";
constexpr int32_t kJadBytes = 4096;

// Entry fields.
constexpr int32_t kName = 0;
constexpr int32_t kVendor = 64;
constexpr int32_t kVersion = 128;
constexpr int32_t kBase = 144;
constexpr int32_t kDomain = 208;
constexpr int32_t kCategory = 209;
constexpr int32_t kJarSize = 210;
constexpr int32_t kMidlets = 214;
constexpr int32_t kProtected = 215;
static_assert(kProtected + 1 <= kOjmsSlotBytes);

struct CardCache {
  uint8_t header[kOjmsHeaderBytes];
  uint8_t page[kOjmsPageBytes];
  int32_t cachedPage;  // -1: none
  bool dirty;
};
CardCache gCard = {{}, {}, -1, false};

uint32_t headerU16(int32_t at) {
  uint32_t value = 0;
  ojms_getField(gCard.header, kOjmsHeaderBytes, at, OJMS_FIELD_U16, &value, 0);
  return value;
}
void setHeaderU16(int32_t at, uint32_t value) {
  ojms_putField(gCard.header, kOjmsHeaderBytes, at, OJMS_FIELD_U16, &value, 0);
}
int32_t pageCount() { return static_cast<int32_t>(headerU16(kPageCountAt)); }
int32_t entryCount() { return static_cast<int32_t>(headerU16(kEntryCountAt)); }
uint8_t* entryOf(int32_t slot) { return gCard.page + slot * kOjmsSlotBytes; }

int32_t writeBack() {
  const int32_t length = kOjmsHeaderBytes + (gCard.cachedPage + 1) * kOjmsPageBytes;
  const int32_t existing = ojms_fileSize(kOjmsSdIndexUri);
  const int32_t total = existing > length ? existing : length;
  auto* file = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(total), 1));
  if (file == nullptr) return ojms_fail(OJMS_ERR_FILE);
  int32_t result = -1;
  if (existing <= 0 || ojms_readFileHead(kOjmsSdIndexUri, file, existing) == existing) {
    std::memcpy(file, gCard.header, kOjmsHeaderBytes);
    std::memcpy(file + length - kOjmsPageBytes, gCard.page, kOjmsPageBytes);
    result = ojms_writeWholeFile(kOjmsSdIndexUri, file, total);
  } else {
    ojms_setLastError(OJMS_ERR_FILE);
  }
  std::free(file);
  if (result == 0) gCard.dirty = false;
  return result;
}

void fillRecord(int32_t id, const uint8_t* entry, OjmsSuiteInfo* record) {
  std::memset(record, 0, sizeof *record);
  record->id = id;
  ojms_copyTextField(record->name, entry + kName, 64);
  ojms_copyTextField(record->vendor, entry + kVendor, 64);
  ojms_copyTextField(record->version, entry + kVersion, 16);
  ojms_copyTextField(record->directory, entry + kBase, 64);
  record->domain = entry[kDomain];
  record->category = entry[kCategory];
  ojms_getField(entry, kOjmsSlotBytes, kJarSize, OJMS_FIELD_I32, &record->jarSize, 0);
  record->midletCount = entry[kMidlets] > kOjmsMaxMidlets ? kOjmsMaxMidlets : entry[kMidlets];
  ojms_getField(entry, kOjmsSlotBytes, kProtected, OJMS_FIELD_BOOL, &record->protectedContent, 0);
}

// Entries of a page: 15, the last page the rest, never past the count.
int32_t entriesOnPage(int32_t page) {
  const int32_t rest = entryCount() - page * kOjmsSlotsPerPage;
  return rest < 0 ? 0 : rest > kOjmsSlotsPerPage ? kOjmsSlotsPerPage : rest;
}

int32_t switchTo(int32_t page) {
  if (gCard.cachedPage == page) return 0;
  if (gCard.cachedPage >= 0 && gCard.dirty && writeBack() != 0) return -1;
  return ojms_loadSdIndexPage(page);
}

// Indexes one card .jad (its full URI) when its .jar lies beside it.
int32_t addCardSuite(const char* jadUri, bool protectedContent) {
  const char* slash = std::strrchr(jadUri, '/');
  const char* base = slash != nullptr ? slash + 1 : jadUri;
  const size_t baseLength = std::strlen(base) - 4;
  OjmsSuiteInfo record{};
  if (baseLength >= sizeof record.directory) return ojms_fail(OJMS_ERR_PARAMETER);
  std::memcpy(record.directory, base, baseLength);
  const int32_t size = ojms_fileSize(jadUri);
  if (size < 0 || size > kJadBytes) return ojms_fail(OJMS_ERR_FILE);
  char jad[kJadBytes];
  const int32_t length = ojms_readFileHead(jadUri, reinterpret_cast<uint8_t*>(jad), kJadBytes);
  if (length < 0) return -1;
  char jarSize[16];
  if (ojms_getAttribute(jad, length, "MIDlet-Name", record.name, sizeof record.name, true) != 0 ||
      ojms_getAttribute(jad, length, "MIDlet-Version", record.version, sizeof record.version, true) != 0 ||
      ojms_getAttribute(jad, length, "MIDlet-Vendor", record.vendor, sizeof record.vendor, true) != 0 ||
      ojms_getAttribute(jad, length, "MIDlet-Jar-Size", jarSize, sizeof jarSize, true) != 0) {
    return ojms_fail(OJMS_ERR_FILE);
  }
  char* end = nullptr;
  const unsigned long value = std::strtoul(jarSize, &end, 10);
  if (end == jarSize || *end != '\0' || value > 0x7fffffffUL) return ojms_fail(OJMS_ERR_FILE);
  record.jarSize = static_cast<uint32_t>(value);
  for (int32_t m = 1; m <= kOjmsMaxMidlets; ++m) {
    char key[16];
    std::memcpy(key, "MIDlet-", 7);
    key[7] = static_cast<char>('0' + m);
    key[8] = '\0';
    if (ojms_findKey(jad, key, length) < 0) break;
    record.midletCount = static_cast<uint32_t>(m);
  }
  record.category = 2;
  record.protectedContent = protectedContent ? 1 : 0;
  int32_t id = -1;
  return ojms_appendSdSuite(&record, &id);
}

}  // namespace

bool ojms_isSdCardSuite(int32_t id) { return id >= kOjmsFirstCardSuite && id < kOjmsFirstCardSuite + kOjmsCardSuites; }

int32_t ojms_loadSdIndexPage(int32_t page) {
  if (gCard.cachedPage >= 0) {
    if (gCard.cachedPage == page) return 0;
    if (page < 0 || page > pageCount() || page * kOjmsSlotsPerPage >= kOjmsCardSuites) {
      return ojms_fail(OJMS_ERR_FILE);
    }
    if (page == pageCount()) {
      std::memset(gCard.page, 0, sizeof gCard.page);
      setHeaderU16(kPageCountAt, static_cast<uint32_t>(page + 1));
      gCard.cachedPage = page;
      gCard.dirty = true;
      return 0;
    }
  }
  if (page < 0) return ojms_fail(OJMS_ERR_FILE);
  const OjfsHandle h = ojfs_open(kOjmsSdIndexUri, OJFS_READ_EXISTING);
  if (h < 0) return ojms_fail(OJMS_ERR_FILE);
  uint8_t header[kOjmsHeaderBytes];
  uint8_t data[kOjmsPageBytes];
  const bool ok = ojfs_read(h, header, kOjmsHeaderBytes) == kOjmsHeaderBytes &&
                  ojfs_seek(h, kOjmsHeaderBytes + page * kOjmsPageBytes, 0) >= 0 &&
                  ojfs_read(h, data, kOjmsPageBytes) == kOjmsPageBytes;
  ojfs_close(h);
  if (!ok) return ojms_fail(OJMS_ERR_FILE);
  std::memcpy(gCard.header, header, sizeof header);
  std::memcpy(gCard.page, data, sizeof data);
  gCard.cachedPage = page;
  gCard.dirty = false;
  return 0;
}

int32_t ojms_flushSdIndexPage() {
  if (gCard.cachedPage < 0 || !gCard.dirty) return 0;
  return writeBack();
}

int32_t ojms_initSdIndex() {
  gCard.cachedPage = -1;
  gCard.dirty = false;
  if (ojms_loadSdIndexPage(0) != 0) return -1;
  if (pageCount() == 0) {
    setHeaderU16(kPageCountAt, 1);
    gCard.dirty = true;
  }
  return 0;
}

int32_t ojms_appendSdSuite(const OjmsSuiteInfo* record, int32_t* id) {
  const int32_t position = entryCount();
  if (position >= kOjmsCardSuites) return ojms_fail(OJMS_ERR_FILE);
  const int32_t page = position / kOjmsSlotsPerPage;
  if (switchTo(page) != 0) return -1;
  uint8_t* entry = entryOf(position % kOjmsSlotsPerPage);
  std::memset(entry, 0, kOjmsSlotBytes);
  ojms_storeTextField(entry + kName, record->name, 64);
  ojms_storeTextField(entry + kVendor, record->vendor, 64);
  ojms_storeTextField(entry + kVersion, record->version, 16);
  ojms_storeTextField(entry + kBase, record->directory, 64);
  entry[kDomain] = static_cast<uint8_t>(record->domain);
  entry[kCategory] = static_cast<uint8_t>(record->category);
  ojms_putField(entry, kOjmsSlotBytes, kJarSize, OJMS_FIELD_I32, &record->jarSize, 0);
  entry[kMidlets] = static_cast<uint8_t>(record->midletCount);
  ojms_putField(entry, kOjmsSlotBytes, kProtected, OJMS_FIELD_BOOL, &record->protectedContent, 0);
  setHeaderU16(kEntryCountAt, static_cast<uint32_t>(position + 1));
  gCard.dirty = true;
  *id = kOjmsFirstCardSuite + position;
  return 0;
}

int32_t ojms_getSdSuiteCount() {
  if (gCard.cachedPage < 0 && ojms_loadSdIndexPage(0) != 0) return -1;
  return entryCount();
}

int32_t ojms_listSdSuites(OjmsSuiteInfo* records) {
  if (gCard.cachedPage < 0 && ojms_loadSdIndexPage(0) != 0) return -1;
  int32_t count = 0;
  const int32_t pages = pageCount();
  for (int32_t page = 0; page < pages && page * kOjmsSlotsPerPage < kOjmsCardSuites; ++page) {
    if (switchTo(page) != 0) return -1;
    const int32_t entries = entriesOnPage(page);
    for (int32_t slot = 0; slot < entries; ++slot) {
      fillRecord(kOjmsFirstCardSuite + page * kOjmsSlotsPerPage + slot, entryOf(slot), &records[count++]);
    }
  }
  return count;
}

int32_t ojms_readSdSuiteRecord(int32_t id, OjmsSuiteInfo* record) {
  if (gCard.cachedPage < 0 && ojms_loadSdIndexPage(0) != 0) return -1;
  const int32_t index = id - kOjmsFirstCardSuite;
  if (index < 0 || index >= entryCount() || index >= kOjmsCardSuites) return ojms_fail(OJMS_ERR_NO_SUITE);
  if (switchTo(index / kOjmsSlotsPerPage) != 0) return -1;
  fillRecord(id, entryOf(index % kOjmsSlotsPerPage), record);
  return 0;
}

int32_t ojms_findSdSuite(const char* name, const char* vendor) {
  if (gCard.cachedPage < 0 && ojms_loadSdIndexPage(0) != 0) return -1;
  const int32_t pages = pageCount();
  for (int32_t page = 0; page < pages && page * kOjmsSlotsPerPage < kOjmsCardSuites; ++page) {
    if (switchTo(page) != 0) return -1;
    const int32_t entries = entriesOnPage(page);
    for (int32_t slot = 0; slot < entries; ++slot) {
      OjmsSuiteInfo record;
      fillRecord(0, entryOf(slot), &record);
      if (std::strcmp(record.name, name) == 0 && std::strcmp(record.vendor, vendor) == 0) {
        return kOjmsFirstCardSuite + page * kOjmsSlotsPerPage + slot;
      }
    }
  }
  return ojms_fail(OJMS_ERR_NO_SUITE);
}

int32_t ojms_syncSdIndex() { return ojms_flushSdIndexPage(); }

int32_t ojms_scanSdCard() {
  if (ojms_fileSize(kOjmsSdIndexUri) >= 0 && ojfs_delete(kOjmsSdIndexUri) != 0) return ojms_fail(OJMS_ERR_FILE);
  static const uint8_t kEmpty[kOjmsHeaderBytes + kOjmsPageBytes] = {};
  if (ojms_writeWholeFile(kOjmsSdIndexUri, kEmpty, sizeof kEmpty) != 0) return -1;
  if (ojms_initSdIndex() != 0) return -1;
  const int32_t dir = ojfs_opendir(kCardDirectory);
  if (dir < 0) return ojms_fail(OJMS_ERR_FILE);
  int32_t added = 0;
  while (const OjfsDirEntry* entry = ojfs_readdir(dir)) {
    const char* name = entry->name;
    const size_t length = std::strlen(name);
    if (length < 4 || length >= kOjfsUriBytes || std::strcmp(name + length - 4, ".jad") != 0) continue;
    char sibling[kOjfsUriBytes];
    std::memcpy(sibling, name, length + 1);
    std::memcpy(sibling + length - 4, ".jar", 4);
    if (ojms_fileSize(sibling) < 0) continue;
    std::memcpy(sibling + length - 4, ".jam", 4);
    const bool protectedContent = ojms_fileSize(sibling) >= 0;
    if (addCardSuite(name, protectedContent) == 0) ++added;
  }
  ojfs_closedir(dir);
  if (added == 0) return -1;
  return ojms_flushSdIndexPage();
}

void ojms_sdCardInserted() {
  ojms_setSdCardInUse(ojms_scanSdCard() == 0);
  ojfs_loadRootOverrides();
}

void ojms_sdCardRemoved() {
  ojms_setSdCardInUse(false);
  ojfs_loadRootOverrides();
}
