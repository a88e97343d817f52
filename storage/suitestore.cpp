// The suite-storage API (see suitestore.h).
#include "storage/suitestore.h"

#include <cstring>
#include <new>

#include "storage/categories.h"
#include "storage/installlock.h"
#include "storage/journal.h"
#include "storage/ojfs.h"
#include "storage/ojmsfile.h"
#include "storage/policy.h"
#include "storage/rawfile.h"
#include "storage/sdindex.h"
#include "storage/suitefiles.h"

namespace {

constexpr char kSeedUri[] = "rom://midlet/_suites.idx";
constexpr int32_t kPreinstalled = 1;
constexpr int32_t kCardCategory = 2;
constexpr int32_t kJadEntry = 1;

// The JAD attribute names by index; empty names are unused indexes.
constexpr const char* kJadAttributes[kOjmsJadAttributeCount] = {
    "",  "MIDlet-1", "MIDlet-2", "MIDlet-3", "MIDlet-4", "MIDlet-5", "MIDlet-6", "MIDlet-7", "MIDlet-8", "MIDlet-9",
    "",  "",         "",         "",         "",         "",         "",         "MIDlet-Name", "MIDlet-Version",
    "MIDlet-Vendor", "MIDlet-Jar-URL", "MIDlet-Jar-Size", "MicroEdition-Profile", "MicroEdition-Configuration",
    "",  "",         "",         "",         "",         "",         "",         "",         "",
    "MIDlet-Icon", "MIDlet-Description", "MIDlet-Info-URL", "MIDlet-Data-Size", "MIDlet-Delete-Confirm",
    "MIDlet-Install-Notify", "MIDlet-Delete-Notify", "MIDlet-Permissions", "MIDlet-Permissions-Opt",
    "MIDlet-Jar-RSA-SHA1", "Media-price"};
static_assert(sizeof kJadAttributes / sizeof kJadAttributes[0] == 44);

int32_t gCurrentSuite = -1;

bool cardInUse(int32_t id) { return ojms_isSdCardSuite(id) && ojms_isSdCardInUse(); }
bool withCard(int32_t category) { return ojms_isSdCardInUse() && (category == kCardCategory || category == -1); }

// Copies the ROM seed to the phone index.
int32_t copySeed() {
  uint32_t size = 0;
  const OjfsHandle h = ojfs_open(kSeedUri, OJFS_READ_EXISTING);
  if (h < 0) return ojms_fail(OJMS_ERR_FILE);
  OjfsStat status{};
  uint8_t* seed = nullptr;
  bool ok = ojfs_fstat(h, &status) == 0 && status.size > 0 && status.size <= 0x100000;
  if (ok) {
    size = status.size;
    seed = new (std::nothrow) uint8_t[size];
    ok = seed != nullptr && ojfs_read(h, seed, static_cast<int32_t>(size)) == static_cast<int32_t>(size);
  }
  ojfs_close(h);
  const int32_t result = ok ? ojms_writeWholeFile(kOjmsIndexUri, seed, static_cast<int32_t>(size)) : -1;
  delete[] seed;
  return result == 0 ? 0 : ojms_fail(OJMS_ERR_FILE);
}

// Resets the settings of one preinstalled suite to its domain's defaults.
int32_t resetPreinstalled(const OjmsSuiteInfo& record) {
  if (ojms_openMss(record.id) != 0) return -1;
  if (ojms_loadDomain(static_cast<int32_t>(record.domain), 2) != 0) return -1;
  const int32_t count = ojms_getDomainPermissionCount();
  int32_t result = ojms_setMssDomain(static_cast<int32_t>(record.domain), count);
  for (int32_t i = 0; i < count && result == 0; ++i) {
    OjmsPolicyInfo info{};
    result = ojms_getPermissionInfo(i, &info, OJMS_POLICY_DEFAULT) == 0 ? ojms_setMssSetting(i, info.defaultState) : -1;
  }
  ojms_unloadDomain();
  return result == 0 ? ojms_closeMss(1) : -1;
}

int64_t keyOf(const OjmsSuiteInfo& r, int32_t key) {
  switch (key) {
    case OJMS_SORT_CATEGORY: return static_cast<int32_t>(r.category);
    case OJMS_SORT_ROM: return static_cast<int32_t>(r.romSuite);
    case OJMS_SORT_PROTECTED: return static_cast<int32_t>(r.protectedContent);
    default: return r.jarSize;
  }
}

bool greater(const OjmsSuiteInfo& a, const OjmsSuiteInfo& b, int32_t key) {
  switch (key) {
    case OJMS_SORT_NAME: return std::strcmp(a.name, b.name) > 0;
    case OJMS_SORT_VENDOR: return std::strcmp(a.vendor, b.vendor) > 0;
    default: return keyOf(a, key) > keyOf(b, key);
  }
}

// The raw entry holding MIDlet m's icon, or -1.
int32_t iconEntry(int32_t id, int32_t m) {
  if (cardInUse(id)) return -1;
  OjmsMidletInfo midlet{};
  if (ojms_getMidletInfo(id, m, &midlet) != 0) return -1;
  const char* name = midlet.icon[0] == '/' ? midlet.icon + 1 : midlet.icon;
  return ojms_findRawEntry(id, name);
}

}  // namespace

int32_t ojms_init() {
  if (ojfs_init() != 0) return -1;
  if (ojms_fileSize(kOjmsIndexUri) < 0 && copySeed() != 0) return -1;
  ojms_discardIndexCache();
  ojms_discardCategories();
  // Finishes what a killed installer left, unless another process is
  // installing now. A journal that cannot be finished stays for the next
  // start; the storage stays usable meanwhile.
  if (ojms_lockInstall(false)) {
    ojms_recoverStorage();
    ojms_fileOrphanSuites();
    ojms_unlockInstall();
    ojms_discardIndexCache();
    ojms_discardCategories();
  }
  if (ojms_loadCategories() != 0 || ojms_openIndex() != 0) return -1;
  OjmsSuiteInfo* records = new (std::nothrow) OjmsSuiteInfo[kOjmsPhoneSuites];
  if (records == nullptr) return ojms_fail(OJMS_ERR_FILE);
  int32_t n = ojms_listSuites(records, kPreinstalled);
  int32_t result = n < 0 ? -1 : 0;
  // The reset rewrites .mss files: under the install lock, over a list read
  // under it, so that it never interleaves with an install or deletion of
  // the other program. While that program keeps the lock past the wait the
  // settings stay as they are until the next start.
  if (n > 0 && ojms_lockInstall(true)) {
    ojms_discardIndexCache();
    n = ojms_openIndex() == 0 ? ojms_listSuites(records, kPreinstalled) : -1;
    result = n < 0 ? -1 : 0;
    for (int32_t i = 0; i < n && result == 0; ++i) result = resetPreinstalled(records[i]);
    ojms_unlockInstall();
  }
  delete[] records;
  return result;
}

int32_t ojms_fini() {
  // category.dat first: a deleted category's suites are moved by the next
  // start should a kill come before the index.
  const bool categories = ojms_saveCategories() == 0;
  const bool index = ojms_syncIndex() == 0;
  const bool files = ojfs_fini() == 0;
  return index && categories && files ? 0 : -1;
}

int32_t ojms_getSuiteCount(int32_t category) {
  const int32_t phone = ojms_countSuites(category);
  if (phone < 0 || !withCard(category)) return phone;
  const int32_t card = ojms_getSdSuiteCount();
  return card < 0 ? -1 : phone + card;
}

int32_t ojms_getSuiteList(int32_t category, OjmsSuiteInfo* records, int32_t key) {
  const int32_t n = ojms_getSuiteCount(category);
  if (n < 0) return -1;
  OjmsSuiteInfo* phone = new (std::nothrow) OjmsSuiteInfo[kOjmsPhoneSuites + kOjmsCardSuites];
  if (phone == nullptr) return ojms_fail(OJMS_ERR_FILE);
  int32_t got = ojms_listSuites(phone, category);
  if (got >= 0 && withCard(category)) {
    const int32_t card = ojms_listSdSuites(phone + got);
    got = card < 0 ? -1 : got + card;
  }
  if (got < 0) {
    delete[] phone;
    return -1;
  }
  const int32_t count = got < n ? got : n;
  std::memcpy(records, phone, sizeof(OjmsSuiteInfo) * static_cast<size_t>(count));
  delete[] phone;
  if (key >= OJMS_SORT_NAME && key <= OJMS_SORT_JAR_SIZE) {
    for (int32_t i = 0; i < count; ++i) {
      for (int32_t j = i + 1; j < count; ++j) {
        if (greater(records[i], records[j], key)) {
          const OjmsSuiteInfo swap = records[i];
          records[i] = records[j];
          records[j] = swap;
        }
      }
    }
  }
  return 0;
}

int32_t ojms_getSuiteInfo(int32_t id, OjmsSuiteInfo* record) {
  return cardInUse(id) ? ojms_readSdSuiteRecord(id, record) : ojms_readSuiteRecord(id, record);
}

int32_t ojms_findSuite(const char* name, const char* vendor) {
  const int32_t id = ojms_findSuiteInMemory(name, vendor);
  if (id >= 0 || !ojms_isSdCardInUse()) return id >= 0 ? id : ojms_fail(OJMS_ERR_NO_SUITE);
  const int32_t card = ojms_findSdSuite(name, vendor);
  return card >= 0 ? card : ojms_fail(OJMS_ERR_NO_SUITE);
}

int32_t ojms_getMidletCount(int32_t id) {
  OjmsSuiteInfo record;
  if (ojms_getSuiteInfo(id, &record) != 0) return -1;
  return static_cast<int32_t>(record.midletCount);
}

int32_t ojms_getMidletInfo(int32_t id, int32_t m, OjmsMidletInfo* record) {
  if (!cardInUse(id)) {
    OjmsSuiteInfo suite;
    if (ojms_readSuiteRecord(id, &suite) != 0) return ojms_fail(OJMS_ERR_NO_SUITE);
  }
  if (ojms_openJdx(id) != 0) return -1;
  const int32_t result = ojms_getJdxMidlet(m, record);
  ojms_closeJdx(0);
  return result;
}

int32_t ojms_getMidletIconSize(int32_t id, int32_t m) {
  const int32_t entry = iconEntry(id, m);
  return entry < 0 ? -1 : ojms_getRawEntrySize(id, entry);
}

int32_t ojms_getMidletIcon(int32_t id, int32_t m, void* buffer, int32_t length) {
  const int32_t entry = iconEntry(id, m);
  return entry < 0 ? -1 : ojms_readRawEntry(id, entry, buffer, length);
}

int32_t ojms_getJadProperty(int32_t id, int32_t index, OjmsAttribute* record) {
  if ((index < 0 || index >= kOjmsJadAttributeCount) && index != kOjmsJadUrlProperty) {
    return ojms_fail(OJMS_ERR_ATTRIBUTE_INDEX);
  }
  if (ojms_isSdCardSuite(id)) return -1;
  if (index == kOjmsJadUrlProperty) {
    OjmsJdxHeader header{};
    if (ojms_openJdx(id) != 0 || ojms_getJdxHeader(&header) != 0) return -1;
    ojms_closeJdx(0);
    std::strcpy(record->name, "MIDlet-Jad-URL");
    ojms_copyTextField(record->value, reinterpret_cast<const uint8_t*>(header.jadUrl), sizeof record->value);
    return 0;
  }
  if (kJadAttributes[index][0] == '\0') return ojms_fail(OJMS_ERR_ATTRIBUTE_INDEX);
  return ojms_getJadAttributeValue(id, kJadAttributes[index], record);
}

int32_t ojms_getJadAttributeValue(int32_t id, const char* name, OjmsAttribute* record) {
  if (name == nullptr || record == nullptr || std::strlen(name) >= sizeof record->name) {
    return ojms_fail(OJMS_ERR_PARAMETER);
  }
  const int32_t size = ojms_getRawEntrySize(id, kJadEntry);
  if (size < 0 || size > kOjmsMaxJadText) return -1;
  char jad[kOjmsMaxJadText];
  if (ojms_readRawEntry(id, kJadEntry, jad, kOjmsMaxJadText) != size) return -1;
  if (ojms_getAttribute(jad, size, name, record->value, sizeof record->value, true) != 0) return -1;
  std::strcpy(record->name, name);
  return 0;
}

int32_t ojms_getCurrentSuite() { return gCurrentSuite; }
void ojms_setCurrentSuite(int32_t id) { gCurrentSuite = id; }
