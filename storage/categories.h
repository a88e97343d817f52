// The category file "gfs://java/category.dat": exactly 3331 bytes, the
// signature "OJMSCATSIG" at 0 and category slot s at 256 * (s + 1) (an
// in-use byte, then a 64-byte NUL-terminated name). Only slots 0 to 11 lie
// inside the file: 0 "unfiled", 1 "preinstalled" and 2 "ext_storage" are
// built in, user categories take 3 to 11.
//
// Invariants: the buffer is loaded once per process and written back (as a
// whole file, through a renamed temporary) only when this process changed
// it; the in-use byte of slot 2 mirrors the storage-card state, written
// into the buffer by every count and every find by name.
#pragma once

#include <cstddef>
#include <cstdint>

struct OjmsCategoryEntry {
  uint32_t slot;
  char name[64];
  uint32_t builtIn;
};
static_assert(offsetof(OjmsCategoryEntry, name) == 4);
static_assert(sizeof(OjmsCategoryEntry) == 72);

constexpr int32_t kOjmsCategoryFileBytes = 3331;
constexpr int32_t kOjmsCategorySlots = 12;
constexpr int32_t kOjmsFirstUserCategory = 3;
static_assert(256 * kOjmsCategorySlots + 1 + 64 <= kOjmsCategoryFileBytes);
static_assert(256 * (kOjmsCategorySlots + 1) + 1 + 64 > kOjmsCategoryFileBytes);

extern const char kOjmsCategoryUri[];  // "gfs://java/category.dat"

int32_t ojms_loadCategories();
int32_t ojms_saveCategories();
int32_t ojms_addCategory(const char* name, int32_t* slot);
// Suites of a deleted category move to slot 0.
int32_t ojms_deleteCategory(int32_t slot);
// Moves every phone suite whose user category (3 to 11) is not in use to
// slot 0 and writes the index when it moved one: finishes a category
// deletion that a kill cut between writing category.dat (which goes first)
// and the index.
int32_t ojms_fileOrphanSuites();
int32_t ojms_renameCategory(int32_t slot, const char* name);
int32_t ojms_findCategory(const char* name);
int32_t ojms_getCategoryCount();
// Fills entries (room for kOjmsCategorySlots); their number, or -1.
int32_t ojms_getCategoryList(OjmsCategoryEntry* entries);
// Forgets the loaded buffer without writing it.
void ojms_discardCategories();

// Whether a storage card is in use.
bool ojms_isSdCardInUse();
void ojms_setSdCardInUse(bool inUse);
