#include "storage/suiteindex.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "storage/categories.h"
#include "storage/ojmsfile.h"
#include "storage/sdindex.h"
#include "storage/tests/storage_fixture.h"

namespace {

using SuiteIndex = StorageTest;

TEST(OjmsFieldCodec, ReadsAndWritesEveryTypeInsideItsBuffer) {
  struct Case {
    const char* what;
    int32_t length;
    int32_t offset;
    int32_t type;
    int32_t count;
    int32_t result;
  };
  const Case cases[] = {
      {"boolean", 4, 3, OJMS_FIELD_BOOL, 0, 4},    {"boolean at the end", 4, 4, OJMS_FIELD_BOOL, 0, -1},
      {"byte", 4, 0, OJMS_FIELD_U8, 0, 1},          {"u16 across the end", 4, 3, OJMS_FIELD_U16, 0, -1},
      {"u16", 4, 2, OJMS_FIELD_U16, 0, 4},          {"i32", 4, 0, OJMS_FIELD_I32, 0, 4},
      {"i32 past the end", 4, 1, OJMS_FIELD_I32, 0, -1}, {"run", 4, 1, OJMS_FIELD_BYTES, 3, 4},
      {"run too long", 4, 1, OJMS_FIELD_BYTES, 4, -1}, {"empty run at the end", 4, 4, OJMS_FIELD_BYTES, 0, 4},
      {"negative run", 4, 0, OJMS_FIELD_BYTES, -1, -1}, {"negative offset", 4, -1, OJMS_FIELD_U8, 0, -1},
      {"unknown type", 4, 0, 5, 0, -2},
  };
  for (const Case& c : cases) {
    uint8_t buffer[8] = {};
    uint8_t value[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(ojms_putField(buffer, c.length, c.offset, c.type, value, c.count), c.result) << c.what;
    EXPECT_EQ(ojms_getField(buffer, c.length, c.offset, c.type, value, c.count), c.result) << c.what;
    EXPECT_EQ(buffer[4] | buffer[5], 0) << c.what << ": wrote beyond its length";
  }
  uint8_t buffer[4] = {2, 1, 0x34, 0x12};
  uint32_t value = 7;
  ojms_getField(buffer, 4, 0, OJMS_FIELD_BOOL, &value, 0);
  EXPECT_EQ(value, 0u) << "a boolean byte other than 1 reads as 0";
  ojms_getField(buffer, 4, 2, OJMS_FIELD_U16, &value, 0);
  EXPECT_EQ(value, 0x1234u);
  value = 5;
  ojms_putField(buffer, 4, 0, OJMS_FIELD_BOOL, &value, 0);
  EXPECT_EQ(buffer[0], 0) << "a boolean other than 1 is stored as 0";
}

TEST_F(SuiteIndex, SixteenthSuiteIsIdFifteenOnPageOne) {
  for (int32_t i = 0; i < 15; ++i) EXPECT_EQ(add("S" + std::to_string(i)), i);
  // With no page cached the append is bounded by the header this process holds.
  ASSERT_EQ(ojms_flushIndexPage(), 0);
  EXPECT_EQ(add("S15"), 15);
  ASSERT_EQ(ojms_syncIndex(), 0);
  const std::string file = readHost(indexPath());
  ASSERT_EQ(file.size(), 256u + 2 * 3840);
  EXPECT_EQ(file[4096], 1) << "page 1 slot 0 in use";
  EXPECT_EQ(file[10], 2) << "page count";
  EXPECT_EQ(file[12], 16) << "suite count";
  EXPECT_EQ(file[4096 + 219], 15) << "install sequence number of id 15";

  ojms_discardIndexCache();
  OjmsSuiteInfo record{};
  ASSERT_EQ(ojms_readSuiteRecord(15, &record), 0);
  EXPECT_EQ(record.id, 15);
  EXPECT_STREQ(record.name, "S15");
  ASSERT_EQ(ojms_setSuiteCategory(15, 4), 0);
  ASSERT_EQ(ojms_readSuiteRecord(15, &record), 0);
  EXPECT_EQ(record.category, 4u);
  ASSERT_EQ(ojms_deleteSuiteRecord(15), 0);
  EXPECT_EQ(ojms_readSuiteRecord(15, &record), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_NO_SUITE);
  EXPECT_EQ(ojms_countSuites(-1), 15);
}

TEST_F(SuiteIndex, DeletedSlotIsReusedFirst) {
  for (int32_t i = 0; i < 4; ++i) add("S" + std::to_string(i));
  ASSERT_EQ(ojms_deleteSuiteRecord(1), 0);
  EXPECT_EQ(ojms_deleteSuiteRecord(1), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_NOT_IN_USE);
  EXPECT_EQ(add("again"), 1);
  EXPECT_EQ(ojms_countSuites(-1), 4);
}

TEST_F(SuiteIndex, IdsOutsidePhoneMemoryAreRefused) {
  OjmsSuiteInfo record = suiteRecord("x");
  for (const int32_t id : {-1, 256, 300, 999}) {
    ojms_setLastError(0);
    EXPECT_EQ(ojms_readSuiteRecord(id, &record), -1) << id;
    EXPECT_EQ(ojms_getLastError(), OJMS_ERR_NO_SUITE) << id;
    EXPECT_EQ(ojms_writeSuiteRecord(&record, id), -1) << id;
    EXPECT_EQ(ojms_deleteSuiteRecord(id), -1) << id;
    EXPECT_EQ(ojms_setSuiteCategory(id, 0), -1) << id;
  }
}

TEST_F(SuiteIndex, PhoneMemoryHoldsIds0To255) {
  for (int32_t i = 0; i < kOjmsPhoneSuites; ++i) ASSERT_EQ(add("S" + std::to_string(i)), i);
  const OjmsSuiteInfo record = suiteRecord("one too many");
  int32_t id = -7;
  EXPECT_EQ(ojms_addSuiteRecord(&record, &id), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_FILE);
  EXPECT_EQ(id, -7);
  EXPECT_EQ(ojms_findSuiteInMemory("S255", "Test"), 255);
  EXPECT_EQ(ojms_findSuiteInMemory("S3", "Test"), 3);
  EXPECT_EQ(ojms_findSuiteInMemory("S3", "Other"), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_NO_SUITE);
}

TEST_F(SuiteIndex, ListsByCategoryInPageAndSlotOrder) {
  for (int32_t i = 0; i < 20; ++i) add("S" + std::to_string(i), i % 2 == 0 ? 3 : 0);
  OjmsSuiteInfo records[kOjmsPhoneSuites];
  ASSERT_EQ(ojms_listSuites(records, 3), 10);
  for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(records[i].id, 2 * i);
  EXPECT_EQ(ojms_countSuites(3), 10);
  EXPECT_EQ(ojms_listSuites(records, -1), 20);
  EXPECT_EQ(ojms_countSuites(-1), 20);
}

TEST_F(SuiteIndex, CloseWithoutWritingDropsChanges) {
  add("kept");
  ASSERT_EQ(ojms_closeIndex(1), 0);
  add("dropped");
  ASSERT_EQ(ojms_closeIndex(0), 0);
  EXPECT_EQ(ojms_findSuiteInMemory("dropped", "Test"), -1);
  EXPECT_EQ(ojms_findSuiteInMemory("kept", "Test"), 0);
  EXPECT_EQ(ojms_countSuites(-1), 1);
}

TEST_F(SuiteIndex, NothingIsWrittenWithoutAChange) {
  OjmsSuiteInfo records[kOjmsPhoneSuites];
  ASSERT_EQ(ojms_listSuites(records, -1), 0);
  std::remove(indexPath().c_str());
  ASSERT_EQ(ojms_syncIndex(), 0);
  ASSERT_EQ(ojms_flushIndexPage(), 0);
  EXPECT_TRUE(readHost(indexPath()).empty()) << "an unchanged index was written back";
}

TEST_F(SuiteIndex, HostileSlotsReadBounded) {
  std::string file = seedIndex();
  file[256] = 1;
  std::memset(&file[256 + 1], 'n', 64);    // a name without its NUL
  std::memset(&file[256 + 145], 'd', 64);  // and a directory
  file[256 + 218] = static_cast<char>(200);
  writeHost(indexPath(), file);
  OjmsSuiteInfo record{};
  ASSERT_EQ(ojms_readSuiteRecord(0, &record), 0);
  EXPECT_EQ(std::strlen(record.name), 63u);
  EXPECT_EQ(std::strlen(record.directory), 63u);
  EXPECT_EQ(record.midletCount, 9u);
  // A header claiming more pages than the file holds fails the read.
  ojms_discardIndexCache();
  file[10] = 5;
  writeHost(indexPath(), file);
  EXPECT_EQ(ojms_readSuiteRecord(20, &record), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_FILE);
}

TEST_F(SuiteIndex, TruncateSetsTheLength) {
  for (int32_t i = 0; i < 16; ++i) add("S" + std::to_string(i));
  ASSERT_EQ(ojms_syncIndex(), 0);
  ASSERT_EQ(ojms_truncateIndex(1), 0);
  EXPECT_EQ(readHost(indexPath()).size(), 4096u);
  ASSERT_EQ(ojms_truncateIndex(3), 0);
  EXPECT_EQ(readHost(indexPath()).size(), 256u + 3 * 3840);
}

TEST_F(SuiteIndex, FreshCategoriesHoldTheBuiltInOnes) {
  ASSERT_EQ(ojms_loadCategories(), 0);
  EXPECT_EQ(ojms_getCategoryCount(), 2);
  ojms_setSdCardInUse(true);
  OjmsCategoryEntry entries[kOjmsCategorySlots];
  ASSERT_EQ(ojms_getCategoryList(entries), 3);
  const char* names[] = {"unfiled", "preinstalled", "ext_storage"};
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(entries[i].slot, i);
    EXPECT_STREQ(entries[i].name, names[i]);
    EXPECT_EQ(entries[i].builtIn, 1u);
  }
  ASSERT_EQ(ojms_saveCategories(), 0);
  const std::string file = readHost(categoryPath());
  ASSERT_EQ(file.size(), 3331u);
  EXPECT_EQ(file.substr(0, 11), std::string("OJMSCATSIG", 11));
  EXPECT_EQ(file[256 * 3], 1) << "slot 2 mirrors the card";
}

TEST_F(SuiteIndex, UserCategoriesTakeSlots3To11) {
  ASSERT_EQ(ojms_loadCategories(), 0);
  for (int32_t i = 0; i < 9; ++i) {
    int32_t slot = -1;
    ASSERT_EQ(ojms_addCategory(("C" + std::to_string(i)).c_str(), &slot), 0);
    EXPECT_EQ(slot, 3 + i);
  }
  int32_t slot = -5;
  EXPECT_EQ(ojms_addCategory("C9", &slot), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_NO_CATEGORY_SLOT);
  EXPECT_EQ(ojms_addCategory("C4", &slot), 0);
  EXPECT_EQ(slot, -5) << "an existing name gives no slot";
  EXPECT_EQ(ojms_findCategory("C4"), 7);
  EXPECT_EQ(ojms_findCategory("none"), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_NO_CATEGORY);

  struct Case {
    int32_t slot;
    const char* name;  // nullptr: delete
    int32_t error;     // 0: succeeds
  };
  const Case cases[] = {
      {2, nullptr, OJMS_ERR_NO_CATEGORY},  {12, nullptr, OJMS_ERR_NO_CATEGORY},
      {14, nullptr, OJMS_ERR_NO_CATEGORY}, {4, "C5", OJMS_ERR_CATEGORY_EXISTS},
      {13, "new", OJMS_ERR_NO_CATEGORY},   {4, "renamed", 0},
      {5, nullptr, 0},                     {5, nullptr, OJMS_ERR_NO_CATEGORY},
  };
  for (const Case& c : cases) {
    ojms_setLastError(0);
    const int32_t result = c.name == nullptr ? ojms_deleteCategory(c.slot) : ojms_renameCategory(c.slot, c.name);
    EXPECT_EQ(result, c.error == 0 ? 0 : -1) << c.slot << " " << (c.name ? c.name : "delete");
    if (c.error != 0) {
      EXPECT_EQ(ojms_getLastError(), c.error) << c.slot << " " << (c.name ? c.name : "delete");
    }
  }
  EXPECT_EQ(ojms_findCategory("renamed"), 4);
  EXPECT_EQ(ojms_addCategory("again", &slot), 0);
  EXPECT_EQ(slot, 5);
}

TEST_F(SuiteIndex, DeletingACategoryMovesItsSuitesToUnfiled) {
  ASSERT_EQ(ojms_loadCategories(), 0);
  int32_t slot = -1;
  ASSERT_EQ(ojms_addCategory("Games", &slot), 0);
  for (int32_t i = 0; i < 17; ++i) add("S" + std::to_string(i), i % 4 == 0 ? static_cast<uint32_t>(slot) : 1);
  ASSERT_EQ(ojms_deleteCategory(slot), 0);
  EXPECT_EQ(ojms_countSuites(slot), 0);
  EXPECT_EQ(ojms_countSuites(0), 5);
}

TEST_F(SuiteIndex, ShortCategoryFileIsRefused) {
  writeHost(categoryPath(), std::string(3330, '\0'));
  EXPECT_EQ(ojms_loadCategories(), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_FILE);
  writeHost(categoryPath(), std::string(3332, '\0'));
  EXPECT_EQ(ojms_loadCategories(), -1);
}

std::string cardJad(const std::string& name, int32_t midlets) {
  std::string jad = "MIDlet-Name: " + name + "\nMIDlet-Vendor: Card\nMIDlet-Version: 2.1\nMIDlet-Jar-Size: 1234\n";
  for (int32_t m = 1; m <= midlets; ++m) jad += "MIDlet-" + std::to_string(m) + ": M, , a.M\n";
  return jad;
}

class CardIndex : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    mkdir(card("").c_str(), 0755);
  }
};

TEST_F(CardIndex, IndexesJadsWithTheirJars) {
  writeHost(card("x.jad"), cardJad("X", 2));
  writeHost(card("x.jar"), "jar");
  writeHost(card("y.jad"), cardJad("Y", 1));
  writeHost(card("z.jad"), cardJad("Z", 12));
  writeHost(card("z.jar"), "jar");
  writeHost(card("z.jam"), "");
  writeHost(card("w.jad"), "MIDlet-Name: W\n");  // attributes missing
  writeHost(card("w.jar"), "jar");
  writeHost(card("v.jad.txt"), cardJad("V", 1));
  ojms_sdCardInserted();
  ASSERT_TRUE(ojms_isSdCardInUse());
  ASSERT_EQ(ojms_getSdSuiteCount(), 2);
  OjmsSuiteInfo records[kOjmsCardSuites];
  ASSERT_EQ(ojms_listSdSuites(records), 2);
  const int32_t z = std::strcmp(records[0].name, "Z") == 0 ? 0 : 1;
  EXPECT_STREQ(records[1 - z].name, "X");
  EXPECT_EQ(records[1 - z].protectedContent, 0u);
  EXPECT_EQ(records[1 - z].midletCount, 2u);
  EXPECT_STREQ(records[z].directory, "z");
  EXPECT_EQ(records[z].protectedContent, 1u);
  EXPECT_EQ(records[z].midletCount, 9u);
  EXPECT_EQ(records[z].jarSize, 1234u);
  EXPECT_EQ(records[z].category, 2u);
  OjmsSuiteInfo record{};
  ASSERT_EQ(ojms_readSdSuiteRecord(records[z].id, &record), 0);
  EXPECT_EQ(record.id, records[z].id) << "a card record keeps its card id";
  EXPECT_STREQ(record.name, "Z");
  EXPECT_EQ(ojms_findSdSuite("Z", "Card"), records[z].id);
  EXPECT_EQ(ojms_findSdSuite("Y", "Card"), -1);
  EXPECT_EQ(ojms_readSdSuiteRecord(258, &record), -1);
  EXPECT_EQ(ojms_readSdSuiteRecord(255, &record), -1);
  EXPECT_EQ(readHost(card("suites.idx")).size(), 4096u);
  ojms_sdCardRemoved();
  EXPECT_FALSE(ojms_isSdCardInUse());
}

TEST_F(CardIndex, FifteenAndSixteenSuites) {
  for (int32_t count : {15, 16}) {
    for (int32_t i = 0; i < count; ++i) {
      writeHost(card("s" + std::to_string(i) + ".jad"), cardJad("S" + std::to_string(i), 1));
      writeHost(card("s" + std::to_string(i) + ".jar"), "jar");
    }
    ASSERT_EQ(ojms_scanSdCard(), 0) << count;
    OjmsSuiteInfo records[kOjmsCardSuites];
    ASSERT_EQ(ojms_listSdSuites(records), count);
    for (int32_t i = 0; i < count; ++i) EXPECT_EQ(records[i].id, 256 + i) << count;
    EXPECT_EQ(readHost(card("suites.idx")).size(), count == 15 ? 4096u : 4096u + 3840) << count;
  }
}

TEST_F(CardIndex, AnEmptyCardIsNotTakenIntoUse) {
  writeHost(card("y.jad"), cardJad("Y", 1));
  ojms_sdCardInserted();
  EXPECT_FALSE(ojms_isSdCardInUse());
}

TEST_F(CardIndex, HostileCountsListBounded) {
  std::string file(4096, '\0');
  file[13] = 1;
  file[15] = static_cast<char>(200);  // more entries than the one page holds
  writeHost(card("suites.idx"), file);
  ASSERT_EQ(ojms_initSdIndex(), 0);
  OjmsSuiteInfo records[kOjmsCardSuites];
  EXPECT_EQ(ojms_listSdSuites(records), 15);
}

}  // namespace
