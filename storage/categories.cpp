// The category file and the storage-card state (see categories.h).
#include "storage/categories.h"

#include <cstring>
#include <new>

#include "storage/ojmsfile.h"
#include "storage/suiteindex.h"

const char kOjmsCategoryUri[] = "gfs://java/category.dat";

namespace {

constexpr char kSignature[] = "OJMSCATSIG";
static_assert(sizeof kSignature == 11);
constexpr int32_t kNameBytes = 64;
constexpr int32_t kCardSlot = 2;
// The built-in categories, by slot.
constexpr const char* kBuiltIn[] = {"unfiled", "preinstalled", "ext_storage"};
static_assert(sizeof kBuiltIn / sizeof kBuiltIn[0] == kOjmsFirstUserCategory);

struct Categories {
  uint8_t buffer[kOjmsCategoryFileBytes];
  bool loaded;
  bool dirty;
  bool cardInUse;
};
Categories gCategories = {{}, false, false, false};

uint8_t* slotAt(int32_t slot) { return gCategories.buffer + 256 * (slot + 1); }
bool inUse(int32_t slot) { return slotAt(slot)[0] == 1; }
void nameOf(int32_t slot, char* out) { ojms_copyTextField(out, slotAt(slot) + 1, kNameBytes); }

int32_t ensureLoaded() { return gCategories.loaded ? 0 : ojms_loadCategories(); }

// Writes the card state into slot 2.
void mirrorCard() {
  if (slotAt(kCardSlot)[0] != (gCategories.cardInUse ? 1 : 0)) {
    slotAt(kCardSlot)[0] = gCategories.cardInUse ? 1 : 0;
    gCategories.dirty = true;
  }
}

bool userSlotInUse(int32_t slot) {
  return slot >= kOjmsFirstUserCategory && slot < kOjmsCategorySlots && inUse(slot);
}

}  // namespace

int32_t ojms_loadCategories() {
  if (ojms_fileSize(kOjmsCategoryUri) < 0) {
    std::memset(gCategories.buffer, 0, sizeof gCategories.buffer);
    std::memcpy(gCategories.buffer, kSignature, sizeof kSignature);
    for (int32_t slot = 0; slot < kOjmsFirstUserCategory; ++slot) {
      slotAt(slot)[0] = slot == kCardSlot ? (gCategories.cardInUse ? 1 : 0) : 1;
      ojms_storeTextField(slotAt(slot) + 1, kBuiltIn[slot], kNameBytes);
    }
    gCategories.loaded = true;
    gCategories.dirty = true;
    return 0;
  }
  uint8_t buffer[kOjmsCategoryFileBytes + 1];
  if (ojms_readFileHead(kOjmsCategoryUri, buffer, sizeof buffer) != kOjmsCategoryFileBytes) {
    return ojms_fail(OJMS_ERR_FILE);
  }
  std::memcpy(gCategories.buffer, buffer, kOjmsCategoryFileBytes);
  gCategories.loaded = true;
  gCategories.dirty = false;
  return 0;
}

int32_t ojms_saveCategories() {
  if (!gCategories.loaded || !gCategories.dirty) return 0;
  if (ojms_writeWholeFile(kOjmsCategoryUri, gCategories.buffer, kOjmsCategoryFileBytes) != 0) return -1;
  gCategories.dirty = false;
  return 0;
}

void ojms_discardCategories() {
  gCategories.loaded = false;
  gCategories.dirty = false;
}

int32_t ojms_findCategory(const char* name) {
  if (ensureLoaded() != 0) return -1;
  mirrorCard();
  char text[kNameBytes];
  for (int32_t slot = 0; slot < kOjmsCategorySlots; ++slot) {
    if (!inUse(slot)) continue;
    nameOf(slot, text);
    if (std::strcmp(text, name) == 0) return slot;
  }
  return ojms_fail(OJMS_ERR_NO_CATEGORY);
}

int32_t ojms_addCategory(const char* name, int32_t* slot) {
  if (ojms_findCategory(name) >= 0) return 0;
  if (!gCategories.loaded) return -1;
  if (std::strlen(name) >= kNameBytes) return ojms_fail(OJMS_ERR_PARAMETER);
  for (int32_t s = kOjmsFirstUserCategory; s < kOjmsCategorySlots; ++s) {
    if (inUse(s)) continue;
    slotAt(s)[0] = 1;
    ojms_storeTextField(slotAt(s) + 1, name, kNameBytes);
    gCategories.dirty = true;
    *slot = s;
    return 0;
  }
  return ojms_fail(OJMS_ERR_NO_CATEGORY_SLOT);
}

int32_t ojms_deleteCategory(int32_t slot) {
  if (ensureLoaded() != 0) return -1;
  if (!userSlotInUse(slot)) return ojms_fail(OJMS_ERR_NO_CATEGORY);
  OjmsSuiteInfo* records = new (std::nothrow) OjmsSuiteInfo[kOjmsPhoneSuites];
  if (records == nullptr) return ojms_fail(OJMS_ERR_FILE);
  const int32_t count = ojms_listSuites(records, slot);
  int32_t result = count < 0 ? -1 : 0;
  for (int32_t i = 0; i < count && result == 0; ++i) result = ojms_setSuiteCategory(records[i].id, 0);
  delete[] records;
  if (result != 0) return -1;
  slotAt(slot)[0] = 0;
  gCategories.dirty = true;
  return 0;
}

int32_t ojms_fileOrphanSuites() {
  if (ensureLoaded() != 0) return -1;
  OjmsSuiteInfo* records = new (std::nothrow) OjmsSuiteInfo[kOjmsPhoneSuites];
  if (records == nullptr) return ojms_fail(OJMS_ERR_FILE);
  const int32_t count = ojms_listSuites(records, -1);
  int32_t result = count < 0 ? -1 : 0;
  bool moved = false;
  for (int32_t i = 0; i < count && result == 0; ++i) {
    const int32_t slot = static_cast<int32_t>(records[i].category);
    if (slot < kOjmsFirstUserCategory || slot >= kOjmsCategorySlots || inUse(slot)) continue;
    result = ojms_setSuiteCategory(records[i].id, 0);
    moved = true;
  }
  delete[] records;
  if (result == 0 && moved) result = ojms_syncIndex();
  return result;
}

int32_t ojms_renameCategory(int32_t slot, const char* name) {
  if (ojms_findCategory(name) >= 0) return ojms_fail(OJMS_ERR_CATEGORY_EXISTS);
  if (!gCategories.loaded) return -1;
  if (!userSlotInUse(slot)) return ojms_fail(OJMS_ERR_NO_CATEGORY);
  if (std::strlen(name) >= kNameBytes) return ojms_fail(OJMS_ERR_PARAMETER);
  ojms_storeTextField(slotAt(slot) + 1, name, kNameBytes);
  gCategories.dirty = true;
  return 0;
}

int32_t ojms_getCategoryCount() {
  if (ensureLoaded() != 0) return -1;
  mirrorCard();
  int32_t count = 0;
  for (int32_t slot = 0; slot < kOjmsCategorySlots; ++slot) count += inUse(slot) ? 1 : 0;
  return count;
}

int32_t ojms_getCategoryList(OjmsCategoryEntry* entries) {
  const int32_t expected = ojms_getCategoryCount();
  if (expected < 0) return -1;
  int32_t count = 0;
  for (int32_t slot = 0; slot < kOjmsCategorySlots; ++slot) {
    if (!inUse(slot)) continue;
    entries[count].slot = static_cast<uint32_t>(slot);
    nameOf(slot, entries[count].name);
    entries[count].builtIn = slot < kOjmsFirstUserCategory ? 1 : 0;
    ++count;
  }
  return count == expected ? count : -1;
}

bool ojms_isSdCardInUse() { return gCategories.cardInUse; }
void ojms_setSdCardInUse(bool inUse) { gCategories.cardInUse = inUse; }
