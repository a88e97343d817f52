// The phone-memory suite index (see suiteindex.h).
#include "storage/suiteindex.h"

#include <cstring>
#include <new>

#include "storage/ojmsfile.h"
#include "storage/ojfs.h"

const char kOjmsIndexUri[] = "gfs://java/suites.idx";

namespace {

// Header fields.
constexpr int32_t kPageCountAt = 10;
constexpr int32_t kSuiteCountAt = 12;
constexpr int32_t kSequenceAt = 14;

// Slot fields: {offset, bytes}.
struct SlotField {
  int32_t offset;
  int32_t bytes;
};
constexpr SlotField kInUse{0, 1};
constexpr SlotField kName{1, 64};
constexpr SlotField kVendor{65, 64};
constexpr SlotField kVersion{129, 16};
constexpr SlotField kDirectory{145, 64};
constexpr SlotField kDomain{209, 1};
constexpr SlotField kCategory{210, 1};
constexpr SlotField kJarSize{211, 4};
constexpr SlotField kRom{215, 1};
constexpr SlotField kProtected{216, 1};
constexpr SlotField kMidlets{218, 1};
constexpr SlotField kSequence{219, 2};
static_assert(kSequence.offset + kSequence.bytes + 35 == kOjmsSlotBytes);
static_assert(kName.offset + kName.bytes == kVendor.offset && kVendor.offset + kVendor.bytes == kVersion.offset &&
              kVersion.offset + kVersion.bytes == kDirectory.offset &&
              kDirectory.offset + kDirectory.bytes == kDomain.offset);

struct IndexCache {
  uint8_t header[kOjmsHeaderBytes];
  uint8_t page[kOjmsPageBytes];
  int32_t cachedPage;   // -1: none
  bool headerValid;     // the header survives a write-back
  bool dirty;           // header or page changed by this process
};
IndexCache gIndex = {{}, {}, -1, false, false};

uint32_t getU(const uint8_t* buffer, int32_t length, int32_t offset, int32_t type) {
  uint32_t value = 0;
  ojms_getField(buffer, length, offset, type, &value, 0);
  return value;
}
void putU(uint8_t* buffer, int32_t length, int32_t offset, int32_t type, uint32_t value) {
  ojms_putField(buffer, length, offset, type, &value, 0);
}

int32_t pageCount() { return static_cast<int32_t>(getU(gIndex.header, kOjmsHeaderBytes, kPageCountAt, OJMS_FIELD_U16)); }
uint8_t* slotOf(int32_t slot) { return gIndex.page + slot * kOjmsSlotBytes; }
bool slotInUse(int32_t slot) { return slotOf(slot)[kInUse.offset] == 1; }

// Reads header and page p from the file.
int32_t readPage(int32_t page) {
  const OjfsHandle h = ojfs_open(kOjmsIndexUri, OJFS_READ_EXISTING);
  if (h < 0) return ojms_fail(OJMS_ERR_FILE);
  uint8_t header[kOjmsHeaderBytes];
  uint8_t data[kOjmsPageBytes];
  const bool ok = ojfs_read(h, header, kOjmsHeaderBytes) == kOjmsHeaderBytes &&
                  ojfs_seek(h, kOjmsHeaderBytes + page * kOjmsPageBytes, 0) >= 0 &&
                  ojfs_read(h, data, kOjmsPageBytes) == kOjmsPageBytes;
  ojfs_close(h);
  if (!ok) return ojms_fail(OJMS_ERR_FILE);
  std::memcpy(gIndex.header, header, sizeof header);
  std::memcpy(gIndex.page, data, sizeof data);
  gIndex.cachedPage = page;
  gIndex.headerValid = true;
  gIndex.dirty = false;
  return 0;
}

// Rewrites the whole file around the cached header and page.
int32_t writeBack() {
  const int32_t pageEnd = kOjmsHeaderBytes + (gIndex.cachedPage + 1) * kOjmsPageBytes;
  // A hostile header may claim any page count: phone memory never needs more
  // than the pages of ids 0 to 255.
  constexpr int32_t kMaxPages = (kOjmsPhoneSuites + kOjmsSlotsPerPage - 1) / kOjmsSlotsPerPage;
  const int32_t pages = pageCount() < kMaxPages ? pageCount() : kMaxPages;
  const int32_t declared = kOjmsHeaderBytes + pages * kOjmsPageBytes;
  int32_t length = pageEnd > declared ? pageEnd : declared;
  const int32_t maxBytes = kOjmsHeaderBytes + kMaxPages * kOjmsPageBytes;
  const int32_t size = ojms_fileSize(kOjmsIndexUri);
  const int32_t existing = size < maxBytes ? size : maxBytes;
  if (existing > length) length = existing;
  auto* file = new (std::nothrow) uint8_t[static_cast<size_t>(length)]();
  if (file == nullptr) return ojms_fail(OJMS_ERR_FILE);
  if (existing > 0 && ojms_readFileHead(kOjmsIndexUri, file, existing) != existing) {
    delete[] file;
    return ojms_fail(OJMS_ERR_FILE);
  }
  std::memcpy(file, gIndex.header, kOjmsHeaderBytes);
  std::memcpy(file + pageEnd - kOjmsPageBytes, gIndex.page, kOjmsPageBytes);
  const int32_t result = ojms_writeWholeFile(kOjmsIndexUri, file, length);
  delete[] file;
  if (result == 0) gIndex.dirty = false;
  return result;
}

// Makes the page holding id the cached one, writing back another first.
int32_t pageFor(int32_t id) {
  const int32_t page = id / kOjmsSlotsPerPage;
  if (gIndex.cachedPage == page) return 0;
  if (gIndex.cachedPage >= 0 && ojms_flushIndexPage() != 0) return -1;
  return ojms_loadIndexPage(page);
}

bool phoneId(int32_t id) { return id >= 0 && id < kOjmsPhoneSuites; }

void fillRecord(int32_t id, const uint8_t* slot, OjmsSuiteInfo* record) {
  std::memset(record, 0, sizeof *record);
  record->id = id;
  ojms_copyTextField(record->name, slot + kName.offset, kName.bytes);
  ojms_copyTextField(record->vendor, slot + kVendor.offset, kVendor.bytes);
  ojms_copyTextField(record->version, slot + kVersion.offset, kVersion.bytes);
  ojms_copyTextField(record->directory, slot + kDirectory.offset, kDirectory.bytes);
  record->domain = getU(slot, kOjmsSlotBytes, kDomain.offset, OJMS_FIELD_U8);
  record->category = getU(slot, kOjmsSlotBytes, kCategory.offset, OJMS_FIELD_U8);
  record->jarSize = getU(slot, kOjmsSlotBytes, kJarSize.offset, OJMS_FIELD_I32);
  record->romSuite = getU(slot, kOjmsSlotBytes, kRom.offset, OJMS_FIELD_BOOL);
  record->protectedContent = getU(slot, kOjmsSlotBytes, kProtected.offset, OJMS_FIELD_BOOL);
  const uint32_t midlets = getU(slot, kOjmsSlotBytes, kMidlets.offset, OJMS_FIELD_U8);
  record->midletCount = midlets > kOjmsMaxMidlets ? kOjmsMaxMidlets : midlets;
}

void storeRecord(uint8_t* slot, const OjmsSuiteInfo* record) {
  putU(slot, kOjmsSlotBytes, kInUse.offset, OJMS_FIELD_BOOL, 1);
  ojms_storeTextField(slot + kName.offset, record->name, kName.bytes);
  ojms_storeTextField(slot + kVendor.offset, record->vendor, kVendor.bytes);
  ojms_storeTextField(slot + kVersion.offset, record->version, kVersion.bytes);
  ojms_storeTextField(slot + kDirectory.offset, record->directory, kDirectory.bytes);
  putU(slot, kOjmsSlotBytes, kDomain.offset, OJMS_FIELD_U8, record->domain);
  putU(slot, kOjmsSlotBytes, kCategory.offset, OJMS_FIELD_U8, record->category);
  putU(slot, kOjmsSlotBytes, kJarSize.offset, OJMS_FIELD_I32, record->jarSize);
  putU(slot, kOjmsSlotBytes, kRom.offset, OJMS_FIELD_BOOL, record->romSuite);
  putU(slot, kOjmsSlotBytes, kProtected.offset, OJMS_FIELD_BOOL, record->protectedContent);
  putU(slot, kOjmsSlotBytes, kMidlets.offset, OJMS_FIELD_U8,
       record->midletCount > kOjmsMaxMidlets ? kOjmsMaxMidlets : record->midletCount);
  gIndex.dirty = true;
}

bool slotMatches(const uint8_t* slot, const char* name, const char* vendor) {
  char text[64];
  ojms_copyTextField(text, slot + kName.offset, kName.bytes);
  if (std::strcmp(text, name) != 0) return false;
  ojms_copyTextField(text, slot + kVendor.offset, kVendor.bytes);
  return std::strcmp(text, vendor) == 0;
}

}  // namespace

int32_t ojms_loadIndexPage(int32_t page) {
  if (gIndex.cachedPage >= 0 && gIndex.cachedPage == page) return 0;
  if (gIndex.headerValid) {
    // Bound and append by the header this process holds, cached page or not.
    if (page < 0 || page > pageCount() || page * kOjmsSlotsPerPage >= kOjmsPhoneSuites) {
      return ojms_fail(OJMS_ERR_FILE);
    }
    if (page == pageCount()) {
      if (gIndex.cachedPage >= 0 && gIndex.dirty && writeBack() != 0) return -1;
      std::memset(gIndex.page, 0, sizeof gIndex.page);
      putU(gIndex.header, kOjmsHeaderBytes, kPageCountAt, OJMS_FIELD_U16, static_cast<uint32_t>(page + 1));
      gIndex.cachedPage = page;
      gIndex.dirty = true;
      return 0;
    }
    if (gIndex.cachedPage >= 0 && gIndex.dirty && writeBack() != 0) return -1;
  }
  if (page < 0) return ojms_fail(OJMS_ERR_FILE);
  return readPage(page);
}

int32_t ojms_flushIndexPage() {
  if (gIndex.cachedPage < 0) return 0;
  if (gIndex.dirty && writeBack() != 0) return -1;
  gIndex.cachedPage = -1;
  return 0;
}

int32_t ojms_openIndex() { return ojms_loadIndexPage(0); }

int32_t ojms_closeIndex(int32_t flag) {
  if (flag == 1) return ojms_syncIndex();
  ojms_discardIndexCache();
  return ojms_loadIndexPage(0);
}

void ojms_discardIndexCache() {
  gIndex.cachedPage = -1;
  gIndex.headerValid = false;
  gIndex.dirty = false;
}

int32_t ojms_captureIndexRecord(int32_t id, uint8_t* header, uint8_t* slot) {
  if (!phoneId(id)) return ojms_fail(OJMS_ERR_NO_SUITE);
  if (pageFor(id) != 0) return -1;
  std::memcpy(header, gIndex.header, kOjmsHeaderBytes);
  std::memcpy(slot, slotOf(id % kOjmsSlotsPerPage), kOjmsSlotBytes);
  return 0;
}

int32_t ojms_applyIndexRecord(int32_t id, const uint8_t* header, const uint8_t* slot) {
  if (!phoneId(id)) return ojms_fail(OJMS_ERR_NO_SUITE);
  ojms_discardIndexCache();
  const int32_t page = id / kOjmsSlotsPerPage;
  const int32_t pageAt = kOjmsHeaderBytes + page * kOjmsPageBytes;
  auto* file = new (std::nothrow) uint8_t[static_cast<size_t>(pageAt + kOjmsPageBytes)];
  if (file == nullptr) return ojms_fail(OJMS_ERR_FILE);
  const int32_t length = ojms_readFileHead(kOjmsIndexUri, file, pageAt + kOjmsPageBytes);
  if (length < 0) {
    delete[] file;
    return -1;
  }
  // The page as the file holds it; zeros past the file's end.
  std::memset(gIndex.page, 0, sizeof gIndex.page);
  if (length > pageAt) std::memcpy(gIndex.page, file + pageAt, static_cast<size_t>(length - pageAt));
  delete[] file;
  std::memcpy(gIndex.header, header, kOjmsHeaderBytes);
  std::memcpy(slotOf(id % kOjmsSlotsPerPage), slot, kOjmsSlotBytes);
  gIndex.cachedPage = page;
  gIndex.headerValid = true;
  gIndex.dirty = true;
  const int32_t result = writeBack();
  ojms_discardIndexCache();
  return result;
}

int32_t ojms_readSuiteRecord(int32_t id, OjmsSuiteInfo* record) {
  if (!phoneId(id)) return ojms_fail(OJMS_ERR_NO_SUITE);
  if (pageFor(id) != 0) return -1;
  const int32_t slot = id % kOjmsSlotsPerPage;
  if (!slotInUse(slot)) return ojms_fail(OJMS_ERR_NO_SUITE);
  fillRecord(id, slotOf(slot), record);
  return 0;
}

int32_t ojms_writeSuiteRecord(const OjmsSuiteInfo* record, int32_t id) {
  if (!phoneId(id)) return ojms_fail(OJMS_ERR_NO_SUITE);
  if (pageFor(id) != 0) return -1;
  storeRecord(slotOf(id % kOjmsSlotsPerPage), record);
  return 0;
}

int32_t ojms_addSuiteRecord(const OjmsSuiteInfo* record, int32_t* id) {
  if (gIndex.cachedPage < 0 && ojms_loadIndexPage(0) != 0) return -1;
  int32_t found = -1;
  for (int32_t slot = 0; slot < kOjmsSlotsPerPage && found < 0; ++slot) {
    if (!slotInUse(slot) && phoneId(gIndex.cachedPage * kOjmsSlotsPerPage + slot)) found = slot;
  }
  for (int32_t page = 0; found < 0; ++page) {
    if (page > pageCount() || page * kOjmsSlotsPerPage >= kOjmsPhoneSuites) return ojms_fail(OJMS_ERR_FILE);
    if (page != gIndex.cachedPage && (ojms_flushIndexPage() != 0 || ojms_loadIndexPage(page) != 0)) return -1;
    for (int32_t slot = 0; slot < kOjmsSlotsPerPage && found < 0; ++slot) {
      if (!slotInUse(slot) && phoneId(page * kOjmsSlotsPerPage + slot)) found = slot;
    }
  }
  uint8_t* slot = slotOf(found);
  std::memset(slot, 0, kOjmsSlotBytes);
  storeRecord(slot, record);
  const uint32_t sequence = getU(gIndex.header, kOjmsHeaderBytes, kSequenceAt, OJMS_FIELD_U16);
  putU(slot, kOjmsSlotBytes, kSequence.offset, OJMS_FIELD_U16, sequence);
  putU(gIndex.header, kOjmsHeaderBytes, kSequenceAt, OJMS_FIELD_U16, sequence + 1);
  putU(gIndex.header, kOjmsHeaderBytes, kSuiteCountAt, OJMS_FIELD_U16,
       getU(gIndex.header, kOjmsHeaderBytes, kSuiteCountAt, OJMS_FIELD_U16) + 1);
  *id = gIndex.cachedPage * kOjmsSlotsPerPage + found;
  return 0;
}

int32_t ojms_deleteSuiteRecord(int32_t id) {
  if (!phoneId(id)) return ojms_fail(OJMS_ERR_NO_SUITE);
  if (pageFor(id) != 0) return -1;
  uint8_t* slot = slotOf(id % kOjmsSlotsPerPage);
  if (slot[kInUse.offset] != 1) return ojms_fail(OJMS_ERR_NOT_IN_USE);
  slot[kInUse.offset] = 0;
  const uint32_t count = getU(gIndex.header, kOjmsHeaderBytes, kSuiteCountAt, OJMS_FIELD_U16);
  putU(gIndex.header, kOjmsHeaderBytes, kSuiteCountAt, OJMS_FIELD_U16, count > 0 ? count - 1 : 0);
  gIndex.dirty = true;
  return 0;
}

int32_t ojms_setSuiteCategory(int32_t id, int32_t category) {
  if (!phoneId(id)) return ojms_fail(OJMS_ERR_NO_SUITE);
  if (pageFor(id) != 0) return -1;
  uint8_t* slot = slotOf(id % kOjmsSlotsPerPage);
  if (slot[kInUse.offset] != 1) return ojms_fail(OJMS_ERR_NO_SUITE);
  putU(slot, kOjmsSlotBytes, kCategory.offset, OJMS_FIELD_U8, static_cast<uint32_t>(category));
  gIndex.dirty = true;
  return 0;
}

int32_t ojms_countSuites(int32_t category) {
  if (!gIndex.headerValid && ojms_loadIndexPage(0) != 0) return -1;
  if (category == -1) {
    return static_cast<int32_t>(getU(gIndex.header, kOjmsHeaderBytes, kSuiteCountAt, OJMS_FIELD_U16));
  }
  OjmsSuiteInfo* records = new (std::nothrow) OjmsSuiteInfo[kOjmsPhoneSuites];
  if (records == nullptr) return ojms_fail(OJMS_ERR_FILE);
  const int32_t count = ojms_listSuites(records, category);
  delete[] records;
  return count;
}

int32_t ojms_listSuites(OjmsSuiteInfo* records, int32_t category) {
  if (!gIndex.headerValid && ojms_loadIndexPage(0) != 0) return -1;
  int32_t count = 0;
  const int32_t pages = pageCount();
  for (int32_t page = 0; page < pages && page * kOjmsSlotsPerPage < kOjmsPhoneSuites; ++page) {
    if (pageFor(page * kOjmsSlotsPerPage) != 0) return -1;
    for (int32_t slot = 0; slot < kOjmsSlotsPerPage; ++slot) {
      const int32_t id = page * kOjmsSlotsPerPage + slot;
      if (!phoneId(id) || !slotInUse(slot)) continue;
      OjmsSuiteInfo record;
      fillRecord(id, slotOf(slot), &record);
      if (category == -1 || record.category == static_cast<uint32_t>(category)) records[count++] = record;
    }
  }
  return count;
}

int32_t ojms_findSuiteInMemory(const char* name, const char* vendor) {
  if (gIndex.cachedPage >= 0) {
    for (int32_t slot = 0; slot < kOjmsSlotsPerPage; ++slot) {
      const int32_t id = gIndex.cachedPage * kOjmsSlotsPerPage + slot;
      if (phoneId(id) && slotInUse(slot) && slotMatches(slotOf(slot), name, vendor)) return id;
    }
  } else if (!gIndex.headerValid && ojms_loadIndexPage(0) != 0) {
    return -1;
  }
  const int32_t pages = pageCount();
  for (int32_t page = 0; page < pages && page * kOjmsSlotsPerPage < kOjmsPhoneSuites; ++page) {
    if (pageFor(page * kOjmsSlotsPerPage) != 0) return -1;
    for (int32_t slot = 0; slot < kOjmsSlotsPerPage; ++slot) {
      const int32_t id = page * kOjmsSlotsPerPage + slot;
      if (phoneId(id) && slotInUse(slot) && slotMatches(slotOf(slot), name, vendor)) return id;
    }
  }
  return ojms_fail(OJMS_ERR_NO_SUITE);
}

int32_t ojms_syncIndex() {
  if (gIndex.cachedPage < 0 || !gIndex.dirty) return 0;
  return writeBack();
}

int32_t ojms_truncateIndex(int32_t pages) {
  if (pages < 0 || pages * kOjmsSlotsPerPage >= kOjmsPhoneSuites + kOjmsSlotsPerPage) {
    return ojms_fail(OJMS_ERR_PARAMETER);
  }
  const int32_t length = kOjmsHeaderBytes + pages * kOjmsPageBytes;
  auto* file = new (std::nothrow) uint8_t[static_cast<size_t>(length)]();
  if (file == nullptr) return ojms_fail(OJMS_ERR_FILE);
  const int32_t existing = ojms_fileSize(kOjmsIndexUri);
  const int32_t keep = existing < length ? existing : length;
  int32_t result = -1;
  if (existing >= 0 && ojms_readFileHead(kOjmsIndexUri, file, keep) == keep) {
    result = ojms_writeWholeFile(kOjmsIndexUri, file, length);
  } else {
    ojms_setLastError(OJMS_ERR_FILE);
  }
  delete[] file;
  return result;
}
